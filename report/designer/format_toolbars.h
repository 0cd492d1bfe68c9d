// The text and frame tool bars. Each acts on every selected object as one step of the
// document and shows the selection's current state (a value the objects differ in shows
// as unset).
#pragma once

#include <QToolBar>
#include <memory>

class TfrDesignerDocument;

// Font name and size, bold, italic, underline, strike-out, horizontal and vertical
// alignment, rotation, text colour, word wrap ("toolbar_text").
class TfrTextToolBar : public QToolBar {
    Q_OBJECT
public:
    explicit TfrTextToolBar(TfrDesignerDocument &doc, QWidget *parent = nullptr);
    ~TfrTextToolBar() override;

public slots:
    // Shows the selection's state again.
    void Refresh();

private:
    struct Private;
    std::unique_ptr<Private> d;
};

// Each frame side, all, none, frame width, style, frame colour, fill colour
// ("toolbar_frame").
class TfrFrameToolBar : public QToolBar {
    Q_OBJECT
public:
    explicit TfrFrameToolBar(TfrDesignerDocument &doc, QWidget *parent = nullptr);
    ~TfrFrameToolBar() override;

public slots:
    void Refresh();

private:
    struct Private;
    std::unique_ptr<Private> d;
};
