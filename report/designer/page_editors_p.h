// Small helpers the page, band, picture and template editors share.
#pragma once

#include <QObject>
#include <QString>
#include <functional>

#include "report/designer/designer_document.h"

// fn as one step of doc; true when the step changed the template (a step that changed
// nothing leaves no trace, and the undo stack's count says nothing after an undo).
inline bool frCommitStep(TfrDesignerDocument &doc, const QString &caption, const std::function<void()> &fn)
{
    bool committed = false;
    const QMetaObject::Connection c =
        QObject::connect(&doc, &TfrDesignerDocument::StepCommitted, [&committed] { committed = true; });
    try {
        doc.Edit(caption, fn);
    } catch (...) {
        QObject::disconnect(c);
        throw;
    }
    QObject::disconnect(c);
    return committed;
}

// Message box flags of the report's message hook.
inline constexpr int kFrMbIconError = 0x10, kFrMbIconWarning = 0x30;
