#include "tests/fakes/fake_dde_links.hpp"

#include <algorithm>

#include "tests/fakes/unexpected.hpp"
#include "vbrt/error.hpp"
#include "vbrt/strings.hpp"

namespace fakes {

namespace {

bool StartsWith(std::string_view text, std::string_view prefix) {
  return text.substr(0, prefix.size()) == prefix;
}

bool AnyPrefix(const std::vector<std::string>& prefixes, std::string_view command) {
  return std::any_of(prefixes.begin(), prefixes.end(), [&](const auto& p) { return StartsWith(command, p); });
}

}  // namespace

std::ostream& operator<<(std::ostream& out, const LinkModeWrite& w) {
  return out << "LinkMode{" << w.form << "." << w.control << " \"" << w.topic << "\" \"" << w.item
             << "\" = " << w.mode << (w.ok ? "" : " failed") << "}";
}

std::ostream& operator<<(std::ostream& out, const LinkExecuted& e) {
  return out << "LinkExecute{\"" << e.topic << "\" \"" << e.command << "\"" << (e.ok ? "" : " failed") << "}";
}

class FakeDdeLinks::Link : public platform::DdeLink {
 public:
  Link(FakeDdeLinks& server, std::string_view form, std::string_view control)
      : server_(server), form_(form), control_(control) {}

  void SetLinkTopic(std::string topic) override { topic_ = std::move(topic); }
  std::string LinkTopic() const override { return topic_; }
  void SetLinkItem(std::string item) override { item_ = std::move(item); }
  std::string LinkItem() const override { return item_; }

  // Topic and item take effect at the next nonzero mode write, which drops any link and links
  // anew; 3 (notify) links like manual.
  void SetLinkMode(int mode) override {
    LinkModeWrite write{form_, control_, topic_, item_, mode, false};
    if (mode < 0 || mode > 3) Fail(write, vb::err::InvalidPropertyValue);
    mode_ = 0;
    if (mode != 0 && !Answers()) Fail(write, vb::err::DdeNoResponse);
    mode_ = mode;
    linked_topic_ = topic_;
    linked_item_ = item_;
    write.ok = true;
    server_.mode_writes_.push_back(write);
  }
  int LinkMode() const override { return mode_; }

  void LinkExecute(std::string_view command) override {
    if (mode_ == 0) {
      server_.executes_.push_back({topic_, std::string(command), false});
      vb::Raise(vb::err::DdeNoChannel);
    }
    server_.Execute(linked_topic_, command);
  }

  std::string Text() const override {
    if (mode_ == 1 && vb::UCase(linked_item_) == "TXTSTATUS") return server_.status_;
    return "";
  }

 private:
  // A server answers a topic "APP|topic" naming its application.
  bool Answers() const {
    auto bar = topic_.find('|');
    return server_.server_present && bar != std::string::npos &&
           vb::UCase(topic_.substr(0, bar)) == vb::UCase(server_.app);
  }

  [[noreturn]] void Fail(const LinkModeWrite& write, int error) {
    server_.mode_writes_.push_back(write);
    vb::Raise(error);
  }

  FakeDdeLinks& server_;
  std::string form_;
  std::string control_;
  std::string topic_;
  std::string item_;
  std::string linked_topic_;
  std::string linked_item_;
  int mode_ = 0;
};

void FakeDdeLinks::Reply(std::string prefix, std::vector<std::string> texts) {
  if (texts.empty()) RefuseCall("a reply rule for \"" + prefix + "\" needs at least one status text");
  rules_.push_back({std::move(prefix), std::move(texts), 0});
}

std::vector<std::string> FakeDdeLinks::Commands() const {
  std::vector<std::string> out;
  for (const auto& e : executes_) {
    if (e.ok) out.push_back(e.command);
  }
  return out;
}

std::unique_ptr<platform::DdeLink> FakeDdeLinks::Create(std::string_view form, std::string_view control) {
  return std::make_unique<Link>(*this, form, control);
}

void FakeDdeLinks::Execute(const std::string& topic, std::string_view command) {
  LinkExecuted record{topic, std::string(command), true};
  int error = AnyPrefix(refused_, command)     ? vb::err::DdeRefused
              : AnyPrefix(timed_out_, command) ? vb::err::DdeTimeout
                                               : 0;
  if (error != 0) {
    record.ok = false;
    executes_.push_back(record);
    vb::Raise(error);
  }
  executes_.push_back(record);
  for (auto& rule : rules_) {
    if (!StartsWith(command, rule.prefix)) continue;
    status_ = rule.texts[std::min(rule.next, rule.texts.size() - 1)];
    ++rule.next;
    break;
  }
  if (hook_) hook_(record);
}

}  // namespace fakes
