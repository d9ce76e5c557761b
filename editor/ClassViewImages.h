// The class view's images: the tree's item images (a strip of eleven 16x15 places, of which the
// tree uses three) and the image of the pane toolbar's menu button.
//
// The images are drawn with QPainter into pixmaps the first time they are asked for and then
// kept for the life of the process (QIcon is implicitly shared, so items that show the same
// image share one pixmap). GUI thread only.
#pragma once

#include <QIcon>
#include <QSize>

namespace classview
{

// Places in the tree's image strip.
enum TreeImage : int
{
    kImageRoot = 1,  // a house: the root item "编辑元素"
    kImageRow = 3,   // a form with a title bar and fields: one row
    kImageTable = 9, // a globe with a mouse pointer: one table
    kImageCount = 11,
};

// Size of one tree image.
constexpr QSize kTreeImageSize(16, 15);

// The tree image at `index` of the strip; a null icon for a place the tree does not use or an
// index outside the strip.
QIcon TreeImage(int index);

// The image of the toolbar's menu button (command 145), 16x16.
QIcon MenuButtonImage();

} // namespace classview
