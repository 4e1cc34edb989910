#include "dde/text_box_links.hpp"

#include <string>

#include "dde/text_box_link.hpp"

namespace dde {

std::unique_ptr<platform::DdeLink> TextBoxLinks::Create(std::string_view form, std::string_view control) {
  return std::make_unique<TextBoxLink>(transport_, std::string(form), std::string(control), observer_);
}

}  // namespace dde
