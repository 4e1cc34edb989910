#include "dde/link_conversation.hpp"

#include <utility>

#include "vbrt/error.hpp"

namespace dde {

LinkConversation::LinkConversation(std::unique_ptr<LinkCarrier> carrier) : carrier_(std::move(carrier)) {
  carrier_->Listen([this](std::string_view item, const std::string& value) { Changed(item, value); });
}

void LinkConversation::Execute(std::string_view command) {
  // Every carrier ends a string at its first NUL: the server would run a cut command, one that
  // may name another file. Refused as a server refuses, before anything is sent.
  if (command.find('\0') != std::string_view::npos) vb::Raise(vb::err::DdeRefused);
  const auto failure = carrier_->Execute(std::string(command));
  const auto number = failure ? std::optional(NumberFor(*failure)) : std::nullopt;
  // The server sent its item changes before its answer, so they are all here now.
  carrier_->Settle();
  if (number) vb::Raise(*number);
}

std::string LinkConversation::Request(std::string_view item) { return Value(item); }

std::string LinkConversation::Advise(std::string_view item, ItemCallback on_change) {
  if (!carrier_->Carries(item)) vb::Raise(vb::err::DdeRefused);
  if (const auto failure = carrier_->Advise(item)) vb::Raise(NumberFor(*failure));
  // The loop started first: a change after the value was read is not lost.
  std::string value = Value(item);
  advised_.insert_or_assign(std::string(item), std::move(on_change));
  return value;
}

int LinkConversation::NumberFor(CarrierFailure failure) {
  if (failure == CarrierFailure::kPeerGone || !carrier_->PeerAlive()) return vb::err::ForeignApplicationQuit;
  if (failure == CarrierFailure::kTimedOut) return vb::err::DdeTimeout;
  return vb::err::DdeRefused;
}

std::string LinkConversation::Value(std::string_view item) {
  if (!carrier_->Carries(item)) vb::Raise(vb::err::DdeRefused);
  CarriedValue carried = carrier_->Request(item);
  if (carried.failure) vb::Raise(NumberFor(*carried.failure));
  return std::move(carried.value);
}

void LinkConversation::Changed(std::string_view item, const std::string& value) {
  const auto advised = advised_.find(item);
  if (advised == advised_.end()) return;
  // A copy: the callback may advise the item anew and so replace the stored one.
  const ItemCallback on_change = advised->second;
  on_change(value);
}

}  // namespace dde
