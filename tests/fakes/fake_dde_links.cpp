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

}  // namespace

class FakeDdeLinks::Link : public platform::DdeLink {
 public:
  explicit Link(FakeDdeLinks& server) : server_(server) {}

  void SetLinkTopic(std::string topic) override { topic_ = std::move(topic); }
  std::string LinkTopic() const override { return topic_; }
  void SetLinkItem(std::string item) override { item_ = std::move(item); }
  std::string LinkItem() const override { return item_; }

  // Topic and item take effect at the next nonzero mode write, which drops any link and links
  // anew; 3 (notify) links like manual. The server answers only topics "WNORB16|...".
  void SetLinkMode(int mode) override {
    if (mode < 0 || mode > 3) vb::Raise(vb::err::InvalidPropertyValue);
    mode_ = 0;
    if (mode != 0 && vb::UCase(topic_.substr(0, topic_.find('|') + 1)) != "WNORB16|") {
      vb::Raise(vb::err::DdeNoResponse);
    }
    mode_ = mode;
    linked_item_ = item_;
  }
  int LinkMode() const override { return mode_; }

  void LinkExecute(std::string_view command) override {
    if (mode_ == 0) vb::Raise(vb::err::DdeNoChannel);
    server_.Execute(command);
  }

  std::string Text() const override {
    if (mode_ == 1 && vb::UCase(linked_item_) == "TXTSTATUS") return server_.status_;
    return "";
  }

 private:
  FakeDdeLinks& server_;
  std::string topic_;
  std::string item_;
  std::string linked_item_;
  int mode_ = 0;
};

void FakeDdeLinks::Reply(std::string prefix, std::vector<std::string> texts) {
  if (texts.empty()) RefuseCall("a reply rule for \"" + prefix + "\" needs at least one status text");
  rules_.push_back({std::move(prefix), std::move(texts), 0});
}

std::unique_ptr<platform::DdeLink> FakeDdeLinks::Create(std::string_view, std::string_view) {
  return std::make_unique<Link>(*this);
}

void FakeDdeLinks::Execute(std::string_view command) {
  for (const auto& prefix : refused_) {
    if (StartsWith(command, prefix)) vb::Raise(vb::err::DdeRefused);
  }
  commands_.emplace_back(command);
  for (auto& rule : rules_) {
    if (!StartsWith(command, rule.prefix)) continue;
    status_ = rule.texts[std::min(rule.next, rule.texts.size() - 1)];
    ++rule.next;
    break;
  }
}

}  // namespace fakes
