// The spreadsheet application's published constants, as its automation interface takes them.
#pragma once

// Horizontal and vertical alignment.
inline constexpr int xlLeft = -4131;
inline constexpr int xlRight = -4152;
inline constexpr int xlCenter = -4108;
inline constexpr int xlJustify = -4130;
inline constexpr int xlTop = -4160;
inline constexpr int xlBottom = -4107;
// Rows(n).PageBreak.
inline constexpr int xlPageBreakManual = -4135;
// SaveAs: the normal workbook format, access mode "no change".
inline constexpr int xlWorkbookNormal = -4143;
inline constexpr int xlNoChange = 1;
// Borders: the continuous line style and the border items.
inline constexpr int xlContinuous = 1;
inline constexpr int xlEdgeLeft = 7;
inline constexpr int xlEdgeTop = 8;
inline constexpr int xlEdgeBottom = 9;
inline constexpr int xlEdgeRight = 10;
inline constexpr int xlInsideVertical = 11;
inline constexpr int xlInsideHorizontal = 12;
// PageSetup.Orientation.
inline constexpr int xlPortrait = 1;
inline constexpr int xlLandscape = 2;
