// The DDE client link of a text box, with VB's rules, over any transport.
#pragma once

#include <memory>
#include <string>
#include <string_view>

#include "dde/link_observer.hpp"
#include "dde/transport.hpp"
#include "platform/dde_link.hpp"

namespace dde {

inline constexpr int vbLinkNone = 0;
inline constexpr int vbLinkAutomatic = 1;
inline constexpr int vbLinkManual = 2;
inline constexpr int vbLinkNotify = 3;

// LinkTopic and LinkItem take effect at the next nonzero LinkMode write, which drops any link and
// initiates anew. A mode outside 0..3 raises 380 and leaves the link as it was. Notify (3) links
// like manual: a text box has no LinkNotify event here.
class TextBoxLink final : public platform::DdeLink {
 public:
  // `observer` may be null; the transport and the observer outlive the link.
  TextBoxLink(Transport& transport, std::string form, std::string control, LinkObserver* observer = nullptr);

  void SetLinkTopic(std::string topic) override { topic_ = std::move(topic); }
  std::string LinkTopic() const override { return topic_; }
  void SetLinkItem(std::string item) override { item_ = std::move(item); }
  std::string LinkItem() const override { return item_; }
  void SetLinkMode(int mode) override;
  int LinkMode() const override { return mode_; }
  void LinkExecute(std::string_view command) override;
  // Pumps the transport first, so an automatic link reads the latest value the server sent.
  std::string Text() const override;

 private:
  void Initiate(int mode);

  Transport& transport_;
  std::string form_;
  std::string control_;
  LinkObserver* observer_;
  std::string topic_;
  std::string item_;
  int mode_ = vbLinkNone;
  std::string linked_topic_;
  std::string text_;
  // Last, so it goes first: its advise callback writes text_.
  std::unique_ptr<Conversation> conversation_;
};

}  // namespace dde
