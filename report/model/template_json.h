// A template as a JSON description and back: the pages with their paper, margins and
// dialog data, every object with every field its record stores (by property names), the
// data dictionary and the document attributes. docs/template-json.md describes the format.
//
// Describing what a description builds gives the description back, field for field; a
// description may leave fields out, which then keep the defaults of a new object.
#pragma once

#include <QByteArray>

class TfrReport;

// The template the report holds, as indented UTF-8 JSON with the fields in record order.
QByteArray frTemplateToJson(TfrReport &report);

// Replaces the report's template by the description: pages take their paper through the
// printer service as a loaded page does. A fault raises EfrError naming its place, such as
// "Pages[0].Objects[3].Font.Size: expected an integer"; the report is then left empty.
void frTemplateFromJson(TfrReport &report, const QByteArray &json);
