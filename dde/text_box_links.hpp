// Makes the text boxes' DDE links over one transport, each told to the same observer.
#pragma once

#include <memory>
#include <string_view>

#include "dde/link_observer.hpp"
#include "dde/transport.hpp"
#include "platform/dde_link.hpp"

namespace dde {

class TextBoxLinks final : public platform::DdeLinks {
 public:
  // `observer` may be null; the transport and the observer outlive every link made.
  explicit TextBoxLinks(Transport& transport, LinkObserver* observer = nullptr)
      : transport_(transport), observer_(observer) {}

  std::unique_ptr<platform::DdeLink> Create(std::string_view form, std::string_view control) override;

 private:
  Transport& transport_;
  LinkObserver* observer_;
};

}  // namespace dde
