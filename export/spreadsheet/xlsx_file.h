// Writes a worksheet held in memory as an .xlsx workbook with libxlsxwriter.
#pragma once

#include <QString>

class TfrWorksheetModel;

// The workbook with this one sheet, written into fileName. The sheet's default format
// becomes the style of its columns (so cells typed later look the same), rows are
// written in order with constant memory, and at most the application's 1023 manual page
// breaks are kept. EfrError with the library's reason when the file cannot be written.
void frWriteXlsx(const TfrWorksheetModel &sheet, const QString &fileName, const QString &sheetName);
