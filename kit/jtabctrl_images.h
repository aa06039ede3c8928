// Which skin images the tabs of a tab strip show.
#pragma once

namespace jtab {

struct ImageSet {
  unsigned normal, hover, pressed, disabled;
  bool operator==(const ImageSet& o) const {
    return normal == o.normal && hover == o.hover && pressed == o.pressed &&
           disabled == o.disabled;
  }
};

constexpr ImageSet kFirstTab{354, 354, 358, 354};
constexpr ImageSet kOrdinaryTab{353, 353, 352, 353};
constexpr ImageSet kRightOfSelected{355, 355, 352, 355};
constexpr unsigned kEndPiece = 356;
constexpr unsigned kEndPieceSelected = 357;
constexpr int kTabHeight = 25;
constexpr int kTabImageWidth = 512;

// The set of tab `index` while tab `selected` is the chosen one (-1: none chosen yet).
inline ImageSet ImagesFor(int index, int selected) {
  if (index == 0) return kFirstTab;
  return (selected >= 0 && index - 1 == selected) ? kRightOfSelected : kOrdinaryTab;
}

inline unsigned EndPieceFor(bool lastTabSelected) {
  return lastTabSelected ? kEndPieceSelected : kEndPiece;
}

}  // namespace jtab
