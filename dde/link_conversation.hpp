// The link's protocol, written once over whatever carries it (link_carrier.hpp): the NUL rule,
// VB's numbers for a carrier's failures, and the advise links of one conversation.
#pragma once

#include <map>
#include <memory>
#include <string>
#include <string_view>

#include "dde/link_carrier.hpp"
#include "dde/transport.hpp"

namespace dde {

class LinkConversation final : public Conversation {
 public:
  explicit LinkConversation(std::unique_ptr<LinkCarrier> carrier);

  void Execute(std::string_view command) override;
  std::string Request(std::string_view item) override;
  std::string Advise(std::string_view item, ItemCallback on_change) override;

 private:
  // VB's number for a failed call: a server that is gone has quit (291), whatever the failure
  // says; one still there either ran out of time (286) or would not do it (285).
  int NumberFor(CarrierFailure failure);
  std::string Value(std::string_view item);
  void Changed(std::string_view item, const std::string& value);

  std::map<std::string, ItemCallback, std::less<>> advised_;
  // Last, so it goes first: its deliveries use advised_.
  std::unique_ptr<LinkCarrier> carrier_;
};

}  // namespace dde
