#pragma once
// The program's sign, the red menu square with its white flame: painted in
// the menu bar and, at the usual icon sizes, as the icon that window
// managers and task bars show, and that the installed program carries.
#include <string>
#include <vector>

class Drawing;
class QIcon;

// Paints the square in its own 48 x 48 units, top-left at the origin.
void PaintMenuSquare(Drawing* drawing);

// The edge lengths in pixels at which the icon is drawn.
const std::vector<int>& ProgramIconSizes();

// The icon at each of those sizes; needs the application.
QIcon ProgramIcon();

// Writes the icon at each of those sizes as <themeFolder>/<N>x<N>/apps/<name>.png,
// the layout of a freedesktop icon theme; false when a file cannot be written.
bool WriteProgramIconFiles(const std::string& themeFolder, const std::string& name);
