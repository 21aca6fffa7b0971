#pragma once
// The drawing layer: a surface with a stack of saved world transforms, filled
// shapes, strokes and text, and the resources it draws with. No Qt here; the
// toolkit and the editor make a Drawing over an image through
// toolkit/QtDrawing.h.
#include <cstdint>
#include <deque>
#include <memory>
#include <string>

// A colour as ARGB (alpha in the top byte, then red, green, blue).
class Color {
public:
  // Each channel in 0..1, times 255 and rounded to the nearest whole number
  // (halves round up); values outside 0..1 are clamped.
  Color(double r, double g, double b, double a);
  constexpr explicit Color(uint32_t argb) : argb(argb) {}

  constexpr int Alpha() const { return int(argb >> 24); }
  constexpr int Red() const { return int((argb >> 16) & 0xFF); }
  constexpr int Green() const { return int((argb >> 8) & 0xFF); }
  constexpr int Blue() const { return int(argb & 0xFF); }

  uint32_t argb;
};

// A solid pen; the width is in world units, so it scales with the transform.
class Pen {
public:
  constexpr Pen(const Color& color, double width) : color(color), width(width) {}

  Color color;
  double width;
};

// A font by family name, size in points and style. The family is looked up
// on first use (once the application runs); an unknown family falls back to
// the generic sans-serif family at the same size and style.
class Font {
public:
  Font(const std::string& family, int size, bool bold, bool italic);
  ~Font();
  Font(const Font&);
  Font& operator=(const Font&);

  // Style bits: bold 1, italic 2.
  int Style() const { return (bold ? 1 : 0) | (italic ? 2 : 0); }
  // True when the family exists on this system (false: the sans-serif
  // fallback is used). Needs the application.
  bool HasFamily() const;

  std::string family;
  int size;
  bool bold;
  bool italic;

private:
  // 0 not looked up yet, 1 present, 2 missing.
  mutable int familyLookup = 0;
};

// A path of figures made of lines and cubic Bezier curves; filled with the
// odd-even rule.
class Path {
public:
  Path();
  ~Path();
  Path(const Path&);
  Path& operator=(const Path&);

  // Starts a new figure at (x, y).
  void MoveTo(double x, double y);
  // A line from the current point; without one the figure starts at (x, y).
  void LineTo(double x, double y);
  // A cubic Bezier curve from the current point with the control points
  // (x1, y1) and (x2, y2) to (x3, y3); without a current point the figure
  // starts at (x3, y3).
  void CurveTo(double x1, double y1, double x2, double y2, double x3, double y3);
  // Does nothing: figures stay open for strokes; fills close them anyway.
  void Close();
  // A new figure of four lines around the box, ending back at (x, y).
  void Rectangle(double x, double y, double w, double h);

  bool HasCurrentPoint() const { return hasCurrent; }
  double CurrentX() const { return currentX; }
  double CurrentY() const { return currentY; }

  struct Data;
  const Data& GetData() const { return *data; }

private:
  std::unique_ptr<Data> data;
  double currentX = 0, currentY = 0;
  bool hasCurrent = false;
};

// Where a Drawing paints: a paint device (an image) or a painter that the
// caller owns. Made from Qt objects in toolkit/QtDrawing.h.
struct NativeSurfaceObject;
using NativeSurface = NativeSurfaceObject*;
struct NativePainterObject;
using NativePainter = NativePainterObject*;

class Drawing {
public:
  enum Align : int { AlignTopLeft = 0, AlignMiddleLeft = 1, AlignCentered = 2 };
  // Where a text too wide for its line loses its characters for "…".
  enum Elide : int { ElideEnd = 0, ElideMiddle = 1 };

  // Paints on the surface until the Drawing is destroyed.
  explicit Drawing(NativeSurface surface);
  // Draws through the caller's painter; its state is restored on destruction.
  explicit Drawing(NativePainter painter);
  ~Drawing();
  Drawing(const Drawing&) = delete;
  Drawing& operator=(const Drawing&) = delete;

  // Saves the current world transform, then maps a point p to p * s + (dx, dy)
  // before the saved transform.
  void TranslateAndScale(double dx, double dy, double s);
  // Brings back the most recently saved transform; nothing when none is saved.
  void RestoreTranslateAndScale();
  // Number of saved transforms.
  size_t SavedTransforms() const { return transforms.size(); }

  // Clears the whole surface with the colour, whatever the transform.
  void FillBackground(const Color& color);
  void FillRect(double x, double y, double w, double h, const Color& color);
  // Quarter-circle corners of radius r.
  void FillRoundedRect(double x, double y, double w, double h, double r, const Color& color);
  // The diamond through the middles of the box's edges.
  void FillRhombus(double x, double y, double w, double h, const Color& color);
  // The top edge is shifted right by the fraction s of the width.
  void FillParallelogram(double x, double y, double w, double h, double s, const Color& color);
  void FillTriangle(double x1, double y1, double x2, double y2, double x3, double y3, const Color& color);
  void FillPath(const Path& path, const Color& color);
  void DrawPath(const Path& path, const Pen& pen);
  void DrawLine(double x1, double y1, double x2, double y2, const Pen& pen);
  // The ellipse inscribed in the box.
  void DrawEllipse(double x, double y, double w, double h, const Pen& pen);
  // UTF-8 text in the box, wrapped at the box width and at its own line
  // breaks, clipped to the box. Any other alignment value draws top left.
  void PrintText(double x, double y, double w, double h, const std::string& text, const Font& font, const Color& color,
                 Align align);
  // UTF-8 text on one line in the box, clipped to it: line breaks and other
  // control characters count as spaces, and a text wider than the box ends
  // in "…".
  void PrintLine(double x, double y, double w, double h, const std::string& text, const Font& font, const Color& color,
                 Align align);
  // The width of the text as PrintLine draws it, in world units.
  double TextWidth(const std::string& text, const Font& font) const;
  // The text as PrintLine draws it in a box of the width: whole when it
  // fits, else shortened with "…"; empty when not even "…" fits.
  std::string Elided(const std::string& text, const Font& font, double width, Elide where) const;

  struct Painter;

private:
  void Print(double x, double y, double w, double h, const std::string& text, const Font& font, const Color& color,
             Align align, bool oneLine);

  std::unique_ptr<Painter> painter;
  // A world transform as the nine entries of its 3 x 3 matrix, row by row.
  struct SavedTransform {
    double m[9];
  };
  std::deque<SavedTransform> transforms;
};

namespace Stock {

inline constexpr Color White{0xFFFFFFFFu};
inline constexpr Color Black{0xFF000000u};
inline constexpr Color Crimson{0xFFD40000u};
inline constexpr Color SteelBlue{0xFF336699u};
inline constexpr Color Grey{0xFFD8D8D8u};
inline constexpr Color MediumGrey{0xFFADADADu};
inline constexpr Color DarkGrey{0xFF878787u};
inline constexpr Color DarkerGrey{0xFF666666u};
inline constexpr Color BackgroundGrey{0xFFF5F6F8u};
inline constexpr Color CornflowerBlue{0xFF6699CCu};
inline constexpr Color TransparentLightBlue{0x3F3069C5u};
inline constexpr Color TransparentWhite{0x66FFFFFFu};
inline constexpr Color Green{0xFF339900u};
inline constexpr Color LighterGrey{0xFFE5E5E5u};
inline constexpr Color LightGrey{0xFFEFEFEFu};

inline constexpr Pen ThickerBlackPen{Black, 2.0};
// Grey, not LighterGrey.
inline constexpr Pen ThickerLighterGreyPen{Grey, 2.0};
inline constexpr Pen ThickerDarkerGreyPen{DarkerGrey, 2.0};
inline constexpr Pen ThickerDarkGreyPen{DarkGrey, 2.0};
inline constexpr Pen ThickerCrimsonPen{Crimson, 2.0};
inline constexpr Pen ThinDarkerGreyPen{DarkerGrey, 1.75};

// "MS Shell Dlg", 11 points, regular.
extern const Font GuiFont;

}  // namespace Stock
