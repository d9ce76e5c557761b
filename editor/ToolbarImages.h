// Images of the standard toolbar's buttons (and of the menu items that share their commands),
// drawn with QPainter so that they scale with the screen.
#pragma once

#include <QIcon>

// The image of command `id`; a null icon for a command that has none.
QIcon CommandIcon(int id);
