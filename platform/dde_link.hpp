// Seam: the DDE client link of a text box (LinkTopic, LinkItem, LinkMode, LinkExecute, Text),
// the add-in's only channel to the engine.
// Real: dde::TextBoxLink over the in-process transport (scripted engines, tests) or over D-Bus.
#pragma once

#include <memory>
#include <string>
#include <string_view>

namespace platform {

class DdeLink {
 public:
  virtual ~DdeLink() = default;

  // "APP|topic"; the bar is part of the value.
  virtual void SetLinkTopic(std::string topic) = 0;
  virtual std::string LinkTopic() const = 0;
  virtual void SetLinkItem(std::string item) = 0;
  virtual std::string LinkItem() const = 0;
  // 1 automatic, 2 manual: initiates a conversation and raises 282 when no server answers
  // (the mode then stays 0). 0 drops the link and never fails.
  virtual void SetLinkMode(int mode) = 0;
  virtual int LinkMode() const = 0;
  // Raises 293 without a link, 285 when the server refuses, 286 on a time-out, 291 when the
  // server has quit. Every item update
  // the server made while handling the command is applied before this returns.
  virtual void LinkExecute(std::string_view command) = 0;
  // The linked item's latest value while an automatic link is up; "" before any.
  virtual std::string Text() const = 0;
};

// Makes the link of one text box; `form` and `control` name it for whoever observes links.
class DdeLinks {
 public:
  virtual ~DdeLinks() = default;
  virtual std::unique_ptr<DdeLink> Create(std::string_view form, std::string_view control) = 0;
};

}  // namespace platform
