#pragma once
// The icons of the window chrome: Open, Save and Send in the menu bar, the
// window buttons of the title bar and the block kinds of the tool bar. Each
// is drawn with its top-left corner at (x, y) in client pixels; the menu
// square beside them is the program's own sign (ProgramIcon.h).
class Color;
class Drawing;

// Menu bar, about 35 pixels square.
void PaintOpenIcon(Drawing* drawing, double x, double y);
// Dark while there is something to save.
void PaintSaveIcon(Drawing* drawing, double x, double y, bool modified);
void PaintSendIcon(Drawing* drawing, double x, double y);

// Title bar, 16 by 16 glyphs.
void PaintMinimizeGlyph(Drawing* drawing, double x, double y);
// The restore glyph while the window is maximized.
void PaintMaximizeGlyph(Drawing* drawing, double x, double y, bool maximized);
void PaintCloseGlyph(Drawing* drawing, double x, double y);

// Tool bar, about 35 by 27 pixels; color is the main shape's.
using ToolIconPainter = void (*)(Drawing* drawing, double x, double y, const Color& color);
void PaintPointerTool(Drawing* drawing, double x, double y, const Color& color);
void PaintAssignmentTool(Drawing* drawing, double x, double y, const Color& color);
void PaintInstructionTool(Drawing* drawing, double x, double y, const Color& color);
void PaintIfBlockTool(Drawing* drawing, double x, double y, const Color& color);
void PaintCallSubTool(Drawing* drawing, double x, double y, const Color& color);
void PaintEndBlockTool(Drawing* drawing, double x, double y, const Color& color);
void PaintCommentTool(Drawing* drawing, double x, double y, const Color& color);
