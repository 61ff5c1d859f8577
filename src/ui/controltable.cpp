// SPDX-License-Identifier: GPL-3.0-or-later
#include "controltable.h"

#include <QDir>
#include <QFontDatabase>
#include <QFontInfo>
#include <QFrame>
#include <QGroupBox>
#include <QGuiApplication>
#include <QLabel>
#include <QPushButton>
#include <QWidget>

namespace quorvel {

namespace {

QFont makeFont(const char *family, qreal points, bool bold)
{
    QFont f(QString::fromLatin1(family));
    f.setPointSizeF(points);
    f.setBold(bold);
    // Keep the family we asked for; if it is missing fall back to a sans face
    // rather than whatever fontconfig thinks is closest by name.
    f.setStyleHint(QFont::SansSerif);
    // Text is set glyph by glyph as the screens were laid out: no kerning and
    // no ligatures (Wine's MS Sans Serif would otherwise draw "TM" in "HTML"
    // as a trademark sign).
    f.setStyleStrategy(QFont::PreferNoShaping);
    return f;
}

QWidget *containerOf(QWidget *window, const QString &name)
{
    if (name.isEmpty())
        return window;
    auto *container = window->findChild<QWidget *>(name);
    Q_ASSERT_X(container, "buildControls", qPrintable(QStringLiteral("no container ") + name));
    return container ? container : window;
}

QWidget *makeControl(const ControlRow &row, QWidget *parent)
{
    switch (row.kind) {
    case Kind::Frame: {
        auto *frame = new QFrame(parent);
        frame->setFrameStyle(QFrame::Box | QFrame::Sunken);
        // A frame is a window of its own: it hides what lies beneath it,
        // such as the lower half of the clock.
        frame->setAutoFillBackground(true);
        return frame;
    }
    case Kind::TitledFrame: {
        auto *box = new QGroupBox(row.caption, parent);
        box->setAutoFillBackground(true);
        return box;
    }
    case Kind::Label:
    case Kind::AutoLabel: {
        // Captions hold tags such as <B> that must show as typed: never rich
        // text, and an '&' is just an ampersand.
        auto *label = new QLabel(parent);
        label->setTextFormat(Qt::PlainText);
        label->setText(row.caption);
        label->setWordWrap(row.kind == Kind::Label);
        label->setAlignment(row.align | Qt::AlignTop);
        label->setFocusPolicy(Qt::NoFocus);
        return label;
    }
    case Kind::Button:
        return new QPushButton(row.caption, parent);
    case Kind::Placed:
        break;
    }
    return nullptr;
}

} // namespace

namespace {

// Wine's "MS Sans Serif" is the classic bitmap face, not an outline font: of
// its strikes Qt can use only the 13-pixel one, which is exactly the default
// 8.25 pt regular (11-pixel em, 13-pixel line). It has no bold and does not
// scale, so every other size and the bold texts use Arial's metrics
// (Liberation Sans), whose widths measured closest to the bitmap strikes at
// 9.75 and 12 pt (about 1.5 % against Tahoma's 3 to 3.5 %).
bool g_bitmapSansSerif = false;

QFont sansSerif(qreal points, bool bold)
{
    if (g_bitmapSansSerif && points == 8.25 && !bold)
        return makeFont("MS Sans Serif", points, false);
    return makeFont("Arial", points, bold);
}

} // namespace

QFont font(FontRole role)
{
    switch (role) {
    case FontRole::Default:
        return sansSerif(8.25, false);
    case FontRole::DefaultBold:
        return sansSerif(8.25, true);
    case FontRole::Editor:
        return sansSerif(9.75, false);
    case FontRole::EditorBold:
        return sansSerif(9.75, true);
    case FontRole::PreviewTitle:
        return sansSerif(12, true);
    case FontRole::Congratulation:
        return sansSerif(13.5, false);
    case FontRole::SplashTitle:
        return makeFont("Arial", 24, true);
    case FontRole::SplashVersion:
        return makeFont("Arial", 12, true);
    case FontRole::SplashSmall:
        return makeFont("Arial", 8.25, false);
    }
    return {};
}

void registerFonts()
{
    static bool done = false;
    if (done)
        return;
    done = true;
    // On a high-density screen the one 13-pixel strike would come out at
    // half size; the outline face serves there.
    if (qApp && qApp->devicePixelRatio() > 1.0)
        return;
    // Debian's fonts-wine puts its faces outside fontconfig's folders.
    const QString path = QStringLiteral("/usr/share/wine/fonts/ms_sans_serif.ttf");
    if (QFile::exists(path) && QFontDatabase::addApplicationFont(path) >= 0) {
        // Only trust it if a request for it really lands on it.
        const QFontInfo info(makeFont("MS Sans Serif", 8.25, false));
        g_bitmapSansSerif = info.family() == QLatin1String("MS Sans Serif");
    }
}

void buildControls(QWidget *window, const std::vector<ControlRow> &table)
{
    for (const ControlRow &row : table) {
        QWidget *container = containerOf(window, row.container);
        QWidget *w = nullptr;
        if (row.kind == Kind::Placed) {
            w = window->findChild<QWidget *>(row.name);
            Q_ASSERT_X(w, "buildControls", qPrintable(QStringLiteral("no widget ") + row.name));
            w->setParent(container);
            w->show(); // shown with its window
        } else {
            w = makeControl(row, container);
        }
        w->setObjectName(row.name);
        w->setFont(font(row.font));
        if (row.colour.isValid() || row.background.isValid()) {
            QPalette pal = w->palette();
            if (row.colour.isValid()) {
                pal.setColor(QPalette::WindowText, row.colour);
                pal.setColor(QPalette::ButtonText, row.colour);
            }
            if (row.background.isValid()) {
                pal.setColor(QPalette::Window, row.background);
                w->setAutoFillBackground(true);
            }
            w->setPalette(pal);
        }
        w->setGeometry(px(row.left), px(row.top), px(row.width), px(row.height));
        if (row.kind == Kind::AutoLabel)
            w->adjustSize();
    }
}

void setClientSize(QWidget *window, int widthTwips, int heightTwips)
{
    window->resize(px(widthTwips), px(heightTwips));
}

} // namespace quorvel
