// A comment: its text on a green box of the comment's current size. It is
// never the error item, so it has no mark.
#include "document/Comment.h"
#include "editor/PaintStyle.h"
#include "toolkit/Drawing.h"

namespace {
constexpr double TextInset = 2;
}

void Comment::OnPaint(Drawing* drawing, int flags) {
  double w = canvasItem.w, h = canvasItem.h;
  drawing->FillRect(0, 0, w, h, PaintStyle::BlockFill(flags, Stock::Green));
  drawing->PrintText(TextInset, TextInset, w - 2 * TextInset, h - 2 * TextInset, text, Stock::GuiFont,
                     PaintStyle::BlockText(flags), Drawing::AlignCentered);
}
