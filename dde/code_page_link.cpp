#include "dde/code_page_link.hpp"

#include "vbrt/code_page.hpp"

namespace dde {

namespace {

constexpr std::string_view kAnswer = "answer";

class CodePageConversation final : public Conversation {
 public:
  explicit CodePageConversation(std::unique_ptr<Conversation> utf8) : utf8_(std::move(utf8)) {}

  void Execute(std::string_view command) override { utf8_->Execute(ToLink(command)); }
  std::string Request(std::string_view item) override {
    return FromLink(utf8_->Request(ToLink(item)), kAnswer);
  }
  std::string Advise(std::string_view item, ItemCallback on_change) override {
    return FromLink(
        utf8_->Advise(ToLink(item), [on_change = std::move(on_change)](
                                        const std::string& value) { on_change(FromLink(value, kAnswer)); }),
        kAnswer);
  }

 private:
  std::unique_ptr<Conversation> utf8_;
};

}  // namespace

std::string ToLink(std::string_view text) { return vb::ActiveCodePage().ToUtf8(text); }

bool Carried(std::string_view text) { return vb::ActiveCodePage().FromUtf8(text).has_value(); }

std::string FromLink(std::string_view text, std::string_view what) {
  const vb::CodePage& page = vb::ActiveCodePage();
  if (std::optional<std::string> carried = page.FromUtf8(text)) return std::move(*carried);
  std::string why = vb::IsUtf8(text) ? "code page " + std::to_string(page.number()) + " cannot spell it"
                                     : std::string("it is not UTF-8");
  return "ERROR: the " + std::string(what) + " cannot be carried: " + why + "\r\n";
}

std::unique_ptr<Conversation> CodePageTransport::Initiate(std::string_view application,
                                                          std::string_view topic) {
  return std::make_unique<CodePageConversation>(utf8_->Initiate(ToLink(application), ToLink(topic)));
}

}  // namespace dde
