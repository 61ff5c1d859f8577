// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QColor>
#include <QFont>
#include <QString>
#include <vector>

class QWidget;

namespace quorvel {

// Places and sizes in the layout tables are in twips, as the screens were
// designed; 15 twips make one device-independent pixel (96 dpi). Qt's high-DPI
// scaling takes it from there.
inline constexpr int kTwipsPerPixel = 15;
constexpr int px(int twips)
{
    return (twips + (twips >= 0 ? 7 : -7)) / kTwipsPerPixel;
}

// The fonts the screens use, by their design names. MS Sans Serif 8.25 pt is
// Wine's bitmap face of that name, registered at start-up (registerFonts());
// the other MS Sans Serif sizes and Arial resolve to Liberation Sans, which
// has Arial's metrics, through fontconfig.
enum class FontRole {
    Default,        // MS Sans Serif 8.25 pt
    DefaultBold,    // MS Sans Serif 8.25 pt bold
    Editor,         // MS Sans Serif 9.75 pt
    EditorBold,     // MS Sans Serif 9.75 pt bold
    PreviewTitle,   // MS Sans Serif 12 pt bold
    Congratulation, // MS Sans Serif 13.5 pt
    SplashTitle,    // Arial 24 pt bold
    SplashVersion,  // Arial 12 pt bold
    SplashSmall,    // Arial 8.25 pt
};
QFont font(FontRole design);
void registerFonts();

inline const QColor kRed{0xFF, 0x00, 0x00};
inline const QColor kBlue{0x00, 0x00, 0xFF};
inline const QColor kDarkBlue{0x00, 0x00, 0xC0};
// The colour of an inactive window border (system colour 11) in the classic
// desktop scheme, the nearest to what the course was drawn with.
inline const QColor kInactiveBorder{0xC0, 0xC0, 0xC0};

enum class Kind {
    Frame,       // a plain frame, no title
    TitledFrame, // a frame with a title ("Instructions")
    Label,       // plain text, word-wrapped within its box
    AutoLabel,   // plain text on one line, sized to its text
    Button,
    Placed, // a widget the screen made itself; the builder puts it in its place
};

// One row of a screen's layout table. Container "" is the window's client area.
struct ControlRow {
    QString name;
    Kind kind = Kind::Label;
    QString container;
    QString caption;
    int left = 0, top = 0, width = 0, height = 0; // twips
    FontRole font = FontRole::Default;
    QColor colour{};     // text colour; invalid means the system default
    QColor background{}; // invalid means the container's
    Qt::Alignment align = Qt::AlignLeft;
    int tabIndex = -1;
};

// Builds the table's controls into `window`, in table order, so that later
// rows are drawn over earlier ones. Containers must come before what they hold;
// a container that is not in the table must already exist as a child of the
// window with that object name. Returns nothing: widgets are found by name.
void buildControls(QWidget *window, const std::vector<ControlRow> &table);

// Sets the client area of `window` to the given size in twips.
void setClientSize(QWidget *window, int widthTwips, int heightTwips);

} // namespace quorvel
