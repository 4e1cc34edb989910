#include "addin/shell/faces.hpp"

namespace norb {

namespace {

// Options: a slider panel, 16 x 16.
const char* const kFace0[] = {
    "16 16 4 1",        ". c None",         "B c #1F5FBF",      "K c #202020",      "W c #FFFFFF",
    "................", "..KKKKKKKKKKKK..", ".KWWWWWWWWWWWWK.", ".KWWBBWWWWWWWWK.", ".KWKBBKKKKKKKWK.",
    ".KWWBBWWWWWWWWK.", ".KWWWWWWWWBBWWK.", ".KWKKKKKKKBBKWK.", ".KWWWWWWWWBBWWK.", ".KWWWWBBWWWWWWK.",
    ".KWKKKBBKKKKKWK.", ".KWWWWBBWWWWWWK.", ".KWWWWWWWWWWWWK.", "..KKKKKKKKKKKK..", "................",
    "................",
};

// History: a clock over a list, 16 x 17.
const char* const kFace1[] = {
    "16 17 4 1",        ". c None",         "B c #1F5FBF",      "K c #202020",      "W c #FFFFFF",
    ".....KKKKKK.....", "...KKWWWWWWKK...", "..KWWWWKWWWWWK..", ".KWWWWWKWWWWWWK.", ".KWWWWWKWWWWWWK.",
    "KWWWWWWKWWWWWWWK", "KWWWWWWKKKKKWWWK", "KWWWWWWWWWWWWWWK", ".KWWWWWWWWWWWWK.", ".KWWWWWWWWWWWWK.",
    "..KWWWWWWWWWWK..", "...KKWWWWWWKK...", ".....KKKKKK.....", "................", "..BBBBBBBBBBBB..",
    "................", "..BBBBBBBBBB....",
};

// Compare: two pages and arrows, 16 x 14.
const char* const kFace2[] = {
    "16 14 6 1",        ". c None",         "B c #1F5FBF",      "G c #2F9F3F",      "K c #202020",
    "R c #C03020",      "W c #FFFFFF",      "KKKKKK....KKKKKK", "KWWWWK....KWWWWK", "KWBBWK....KWRRWK",
    "KWWWWK.G..KWWWWK", "KWBBWKGGGGKWRRWK", "KWWWWK.G..KWWWWK", "KWBBWK....KWRRWK", "KWWWWK..G.KWWWWK",
    "KWBBWKGGGGKWRRWK", "KWWWWK..G.KWWWWK", "KWBBWK....KWRRWK", "KWWWWK....KWWWWK", "KWWWWK....KWWWWK",
    "KKKKKK....KKKKKK",
};

// Run the engine: a play button, 16 x 16.
const char* const kFace3[] = {
    "16 16 4 1",        ". c None",         "G c #2F9F3F",      "K c #202020",      "W c #FFFFFF",
    "................", "....KKKKKKKK....", "...KGGGGGGGGK...", "..KGGWGGGGGGGK..", ".KGGGWWGGGGGGGK.",
    ".KGGGWWWGGGGGGK.", ".KGGGWWWWGGGGGK.", ".KGGGWWWWWGGGGK.", ".KGGGWWWWWGGGGK.", ".KGGGWWWWGGGGGK.",
    ".KGGGWWWGGGGGGK.", ".KGGGWWGGGGGGGK.", "..KGGWGGGGGGGK..", "...KGGGGGGGGK...", "....KKKKKKKK....",
    "................",
};

// Project check-out: a page with an arrow out, 16 x 14.
const char* const kFace4[] = {
    "16 14 5 1",        ". c None",         "B c #1F5FBF",      "K c #202020",      "R c #C03020",
    "W c #FFFFFF",      "KKKKKKKKK.......", "KWWWWWWWK.......", "KWBBBBBWK...R...", "KWWWWWWWK...RR..",
    "KWBBBBBWRRRRRRR.", "KWWWWWWWRRRRRRRR", "KWBBBBBWRRRRRRR.", "KWWWWWWWK...RR..", "KWBBBBBWK...R...",
    "KWWWWWWWK.......", "KWBBBBBWK.......", "KWWWWWWWK.......", "KWWWWWWWK.......", "KKKKKKKKK.......",
};

// Project check-in: an arrow into a page, 15 x 16.
const char* const kFace5[] = {
    "15 16 5 1",       ". c None",        "B c #1F5FBF",     "G c #2F9F3F",     "K c #202020",
    "W c #FFFFFF",     "......KKKKKKKKK", "......KWWWWWWWK", "...G..KWBBBBBWK", "..GG..KWWWWWWWK",
    ".GGGGGGGBBBBBWK", "GGGGGGGGWWWWWWK", ".GGGGGGGBBBBBWK", "..GG..KWWWWWWWK", "...G..KWBBBBBWK",
    "......KWWWWWWWK", "......KWBBBBBWK", "......KWWWWWWWK", "......KWWWWWWWK", "......KWWWWWWWK",
    "......KWWWWWWWK", "......KKKKKKKKK",
};

struct FaceInfo {
  int width;
  int height;
  const char* const* xpm;
};
constexpr FaceInfo kFaces[kFaceCount] = {{16, 16, kFace0}, {16, 17, kFace1}, {16, 14, kFace2},
                                         {16, 16, kFace3}, {16, 14, kFace4}, {15, 16, kFace5}};

}  // namespace

platform::Picture Face(int index) {
  if (index < 0 || index >= kFaceCount) return {};
  const FaceInfo& f = kFaces[index];
  return platform::Picture{index, f.width, f.height, f.xpm};
}

}  // namespace norb
