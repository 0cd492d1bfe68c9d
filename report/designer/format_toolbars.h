// The text and frame tool bars. Each acts on every selected object as one step of the
// document and shows the selection's current state (a value the objects differ in shows
// as unset).
//
// Controls by object name. Text: text_font_name, text_font_size, text_bold, text_italic,
// text_underline, text_strikeout, text_align_left / _center / _right / _justify,
// text_valign_top / _middle / _bottom, text_rotate, text_color, text_word_wrap. Frame:
// frame_top, frame_bottom, frame_left, frame_right, frame_all, frame_none, frame_width,
// frame_style, frame_color, fill_color. A colour button's menu holds the basic colours
// (<button>_clRed, ...), for the fill also <button>_clTransparent, and <button>_other.
#pragma once

#include <QToolBar>
#include <functional>
#include <memory>

class TfrDesignerDocument;

// The colour dialog behind "Другой…": true and the colour (0x00BBGGRR) when accepted. Tests
// replace it so nothing waits for a person.
using TfrColorChooser = std::function<bool(QWidget *parent, qint32 &color)>;
TfrColorChooser &frToolBarColorChooser();

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
