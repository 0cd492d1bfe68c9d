// The page-range text of printing and export, read once into a value: numbers and ranges
// separated by commas ("1,3,5-12"), spaces ignored, a trailing "-" meaning "to the last
// page". frreport, the print dialog, printing and the workbook export all take it so.
#pragma once

#include <QString>
#include <vector>

class TfrPageRange {
public:
    enum Fault {
        NoFault,
        BadCharacter, // something else than digits, "-", "," and spaces
        BadNumber,    // a part that does not read as a number (BadPart says which)
    };

    // Every page.
    TfrPageRange() = default;
    // An empty text (after removing spaces) is every page.
    static TfrPageRange FromText(const QString &text);

    const QString &Text() const { return m_text; }
    bool IsValid() const { return m_fault == NoFault; }
    Fault Problem() const { return m_fault; }
    // The part that did not read as a number ("" for an empty one).
    const QString &BadPart() const { return m_badPart; }
    // EConvertError naming the bad part, as the number conversion gives it; nothing for a
    // valid range.
    void ThrowIfInvalid() const;

    bool IsAll() const { return m_all; }
    // The 1-based page numbers the text names, in its order and with its repetitions; a
    // range whose end is below its start names nothing, a trailing "-" ends at pageCount.
    // Empty for every page and for an invalid text.
    std::vector<int> Pages(int pageCount) const;
    // wanted[n] for 1 <= n <= pageCount: the page prints (every page for IsAll).
    std::vector<bool> Membership(int pageCount) const;

private:
    struct Part {
        int first = 0;
        int last = 0; // -1: to the last page
    };
    QString m_text;
    bool m_all = true;
    Fault m_fault = NoFault;
    QString m_badPart;
    std::vector<Part> m_parts;
};
