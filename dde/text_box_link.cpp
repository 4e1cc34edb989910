#include "dde/text_box_link.hpp"

#include <utility>

#include "vbrt/error.hpp"

namespace dde {

TextBoxLink::TextBoxLink(Transport& transport, std::string form, std::string control, LinkObserver* observer)
    : transport_(transport), form_(std::move(form)), control_(std::move(control)), observer_(observer) {}

void TextBoxLink::SetLinkMode(int mode) {
  try {
    if (mode < vbLinkNone || mode > vbLinkNotify) vb::Raise(vb::err::InvalidPropertyValue);
    conversation_.reset();
    mode_ = vbLinkNone;
    if (mode != vbLinkNone) Initiate(mode);
  } catch (const vb::Error& e) {
    if (observer_) observer_->LinkModeWritten({form_, control_, topic_, item_, mode, false, e.number()});
    throw;
  }
  if (observer_) observer_->LinkModeWritten({form_, control_, topic_, item_, mode, true, 0});
}

void TextBoxLink::Initiate(int mode) {
  const auto bar = topic_.find('|');
  if (bar == std::string::npos) vb::Raise(vb::err::DdeNoResponse);
  auto conversation =
      transport_.Initiate(std::string_view(topic_).substr(0, bar), std::string_view(topic_).substr(bar + 1));
  if (mode == vbLinkAutomatic && !item_.empty()) {
    text_ = conversation->Advise(item_, [this](const std::string& value) { text_ = value; });
  }
  conversation_ = std::move(conversation);
  linked_topic_ = topic_;
  mode_ = mode;
}

void TextBoxLink::LinkExecute(std::string_view command) {
  const std::string& topic = conversation_ ? linked_topic_ : topic_;
  try {
    if (!conversation_) vb::Raise(vb::err::DdeNoChannel);
    conversation_->Execute(command);
  } catch (const vb::Error& e) {
    if (observer_) observer_->LinkExecuted({form_, control_, topic, std::string(command), false, e.number()});
    throw;
  }
  if (observer_) observer_->LinkExecuted({form_, control_, topic, std::string(command), true, 0});
}

std::string TextBoxLink::Text() const {
  if (mode_ == vbLinkAutomatic) transport_.Pump();
  if (observer_) observer_->LinkTextRead(form_, control_, text_);
  return text_;
}

}  // namespace dde
