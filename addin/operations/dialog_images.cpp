#include "addin/operations/dialog_images.hpp"

namespace norb {

namespace {

// Not checked out: a plain page, 16 x 16.
const char* const kNotCheckedOut[] = {
    "16 16 4 1",        ". c None",         "K c #202020",      "L c #A0A0A0",      "W c #FFFFFF",
    "..KKKKKKKK......", "..KWWWWWWKK.....", "..KWWWWWWKWK....", "..KWWWWWWKKKK...", "..KWLLLLLLWWK...",
    "..KWWWWWWWWWK...", "..KWLLLLLLLWK...", "..KWWWWWWWWWK...", "..KWLLLLLLLWK...", "..KWWWWWWWWWK...",
    "..KWLLLLLLLWK...", "..KWWWWWWWWWK...", "..KWWWWWWWWWK...", "..KKKKKKKKKKK...", "................",
    "................",
};

// Checked out to you: a page with a green tick, 16 x 16.
const char* const kCheckedOutToYou[] = {
    "16 16 5 1",        ". c None",         "G c #2F9F3F",      "K c #202020",      "L c #A0A0A0",
    "W c #FFFFFF",      "KKKKKKKK........", "KWWWWWWKK.......", "KWWWWWWKWK......", "KWWWWWWKKKK.....",
    "KWLLLLLLWWK.....", "KWWWWWWWWWK.....", "KWLLLLLLLWK...GG", "KWWWWWWWWWK..GGG", "KWLLLLLLLWK.GGG.",
    "KWWWWWWWWWKGGG..", "KWLLLLLGGWGGG...", "KWWWWWWGGGGG....", "KWWWWWWWGGG.....", "KKKKKKKKKG......",
    "................", "................",
};

// Checked out to someone else: a page with a red padlock, 16 x 16.
const char* const kCheckedOutToOther[] = {
    "16 16 5 1",        ". c None",         "K c #202020",      "L c #A0A0A0",      "R c #C03020",
    "W c #FFFFFF",      "KKKKKKKK........", "KWWWWWWKK.......", "KWWWWWWKWK......", "KWWWWWWKKKK.....",
    "KWLLLLLLWWK.....", "KWWWWWWWWWK.....", "KWLLLLLLLWK.RRR.", "KWWWWWWWWWKR...R", "KWLLLLLLLWKR...R",
    "KWWWWWWWWRRRRRRR", "KWLLLLLLLRRRWRRR", "KWWWWWWWWRRRWRRR", "KWWWWWWWWRRRRRRR", "KKKKKKKKKRRRRRRR",
    "................", "................",
};

// List view: rows of small items, 16 x 16.
const char* const kListView[] = {
    "16 16 3 1",        ". c None",         "B c #1F5FBF",      "L c #A0A0A0",      "................",
    ".BB.LLLL........", ".BB.............", "................", ".BB.LLLL........", ".BB.............",
    "................", ".BB.LLLL........", ".BB.............", "................", ".BB.LLLL........",
    ".BB.............", "................", ".BB.LLLL........", ".BB.............", "................",
};

// Details view: a table with columns, 16 x 16.
const char* const kDetailsView[] = {
    "16 16 6 1",        ". c None",         "B c #1F5FBF",      "G c #2F9F3F",      "K c #202020",
    "L c #A0A0A0",      "W c #FFFFFF",      "................", "KKKKKKKKKKKKKKKK", "KGGGGGKGGGGKGGGK",
    "KKKKKKKKKKKKKKKK", "KBLLLLKLLLLKLLLK", "KWWWWWKWWWWKWWWK", "KBLLLLKLLLLKLLLK", "KWWWWWKWWWWKWWWK",
    "KBLLLLKLLLLKLLLK", "KWWWWWKWWWWKWWWK", "KBLLLLKLLLLKLLLK", "KWWWWWKWWWWKWWWK", "KKKKKKKKKKKKKKKK",
    "................", "................", "................",
};

// The dialogs' emblem: a library drawer with a key, 24 x 24.
const char* const kDialogPicture[] = {
    "24 24 6 1",
    ". c None",
    "B c #1F5FBF",
    "K c #202020",
    "L c #A0A0A0",
    "W c #FFFFFF",
    "Y c #D8A818",
    "........................",
    "..KKKKKKKKKKKKKKKKKKKK..",
    "..KBBBBBBBBBBBBBBBBBBK..",
    "..KBKKKKKKKKKKKKKKKKBK..",
    "..KBKWWWWWWWWWWWWWWKBK..",
    "..KBKWLLLLLLLLLLLLWKBK..",
    "..KBKWWWWWWWWWWWWWWKBK..",
    "..KBKWLLLLLLLLLLWWWKBK..",
    "..KBKWWWWWWWWWWWWWWKBK..",
    "..KBKKKKKKKKKKKKKKKKBK..",
    "..KBBBBBBBBBBBBBBBBBBK..",
    "..KBBBBBBKKKKKKBBBBBBK..",
    "..KBBBBBBKYYYYKBBBBBBK..",
    "..KBBBBBBKKKKKKBBBBBBK..",
    "..KBBBBBBBBBBBBBBBBBBK..",
    "..KKKKKKKKKKKKKKKKKKKK..",
    "........................",
    "......YYYY..............",
    ".....YY..YY.............",
    ".....YY..YYYYYYYYYYY....",
    ".....YY..YY.....Y.Y.....",
    "......YYYY..............",
    "........................",
    "........................",
};

}  // namespace

std::vector<platform::Picture> DialogImageList() {
  return {{1, 16, 16, kNotCheckedOut},
          {2, 16, 16, kCheckedOutToYou},
          {3, 16, 16, kCheckedOutToOther},
          {4, 16, 16, kListView},
          {5, 16, 16, kDetailsView}};
}

platform::Picture DialogEmblem() { return {0, 24, 24, kDialogPicture}; }

}  // namespace norb
