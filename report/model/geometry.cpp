#include "report/model/geometry.h"

#include <array>

namespace {

// The classic default scheme, by system colour index.
constexpr std::array<quint32, 25> kSystemColors = {
    0xC8C8C8, // scroll bar
    0x000000, // background
    0x99B4D1, // active caption
    0xBFCDDB, // inactive caption
    0xF0F0F0, // menu
    0xFFFFFF, // window
    0x646464, // window frame
    0x000000, // menu text
    0x000000, // window text
    0x000000, // caption text
    0xB4B4B4, // active border
    0xF4F7FC, // inactive border
    0xABABAB, // application work space
    0x3399FF, // highlight
    0xFFFFFF, // highlight text
    0xF0F0F0, // button face
    0xA0A0A0, // button shadow
    0x6D6D6D, // grey text
    0x000000, // button text
    0x434E54, // inactive caption text
    0xFFFFFF, // button highlight
    0x696969, // 3D dark shadow
    0xE3E3E3, // 3D light
    0x000000, // info text
    0xFFFFE1, // info background
};

} // namespace

QColor frQColor(qint32 color)
{
    const quint32 c = quint32(color);
    if (c & 0x80000000u) {
        const quint32 index = c & 0xFF;
        if (index < kSystemColors.size()) {
            const quint32 rgb = kSystemColors[index];
            return QColor(int((rgb >> 16) & 0xFF), int((rgb >> 8) & 0xFF), int(rgb & 0xFF));
        }
        return QColor(Qt::white);
    }
    if (c > 0xFFFFFF)
        return QColor(Qt::white);
    return QColor(int(c & 0xFF), int((c >> 8) & 0xFF), int((c >> 16) & 0xFF));
}
