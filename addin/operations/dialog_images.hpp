// The pictures stored with the option dialogs: the row images and toolbar images of their image
// list, and the emblem beside the tab strip.
#pragma once

#include <vector>

#include "platform/clipboard.hpp"

namespace norb {

// ImageList1's images, 1-based as the list's: 1 not checked out, 2 checked out to you,
// 3 checked out to someone else, 4 list view, 5 details view.
std::vector<platform::Picture> DialogImageList();
platform::Picture DialogEmblem();

}  // namespace norb
