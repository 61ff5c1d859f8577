#include "controltable.h"

#include <QDir>
#include <QFontDatabase>
#include <QFrame>
#include <QGroupBox>
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

QWidget *makeControl(const ControlSpec &spec, QWidget *parent)
{
    switch (spec.kind) {
    case Kind::Frame: {
        auto *frame = new QFrame(parent);
        frame->setFrameStyle(QFrame::Box | QFrame::Sunken);
        return frame;
    }
    case Kind::TitledFrame:
        return new QGroupBox(spec.caption, parent);
    case Kind::Label:
    case Kind::AutoLabel: {
        // Captions hold tags such as <B> that must show as typed: never rich
        // text, and an '&' is just an ampersand.
        auto *label = new QLabel(parent);
        label->setTextFormat(Qt::PlainText);
        label->setText(spec.caption);
        label->setWordWrap(spec.kind == Kind::Label);
        label->setAlignment(spec.align | Qt::AlignTop);
        label->setFocusPolicy(Qt::NoFocus);
        return label;
    }
    case Kind::Button:
        return new QPushButton(spec.caption, parent);
    case Kind::Placed:
        break;
    }
    return nullptr;
}

} // namespace

QFont font(FontSpec spec)
{
    switch (spec) {
    case FontSpec::Default:
        return makeFont("MS Sans Serif", 8.25, false);
    case FontSpec::DefaultBold:
        return makeFont("MS Sans Serif", 8.25, true);
    case FontSpec::Editor:
        return makeFont("MS Sans Serif", 9.75, false);
    case FontSpec::EditorBold:
        return makeFont("MS Sans Serif", 9.75, true);
    case FontSpec::PreviewTitle:
        return makeFont("MS Sans Serif", 12, true);
    case FontSpec::Congratulation:
        return makeFont("MS Sans Serif", 13.5, false);
    case FontSpec::SplashTitle:
        return makeFont("Arial", 24, true);
    case FontSpec::SplashVersion:
        return makeFont("Arial", 12, true);
    case FontSpec::SplashSmall:
        return makeFont("Arial", 8.25, false);
    }
    return {};
}

void registerFonts()
{
    // Wine ships outline versions of the classic dialog fonts with the old
    // metrics, so captions wrap in their boxes as they were laid out.
    static bool done = false;
    if (done)
        return;
    done = true;
    const QDir wineFonts(QStringLiteral("/usr/share/wine/fonts"));
    for (const char *file : {"ms_sans_serif.ttf", "tahoma.ttf", "tahomabd.ttf"}) {
        const QString path = wineFonts.filePath(QString::fromLatin1(file));
        if (QFile::exists(path))
            QFontDatabase::addApplicationFont(path);
    }
}

void buildControls(QWidget *window, const std::vector<ControlSpec> &table)
{
    for (const ControlSpec &spec : table) {
        QWidget *container = containerOf(window, spec.container);
        QWidget *w = nullptr;
        if (spec.kind == Kind::Placed) {
            w = window->findChild<QWidget *>(spec.name);
            Q_ASSERT_X(w, "buildControls", qPrintable(QStringLiteral("no widget ") + spec.name));
            w->setParent(container);
            w->show(); // shown with its window
        } else {
            w = makeControl(spec, container);
        }
        w->setObjectName(spec.name);
        w->setFont(font(spec.font));
        if (spec.colour.isValid() || spec.background.isValid()) {
            QPalette pal = w->palette();
            if (spec.colour.isValid()) {
                pal.setColor(QPalette::WindowText, spec.colour);
                pal.setColor(QPalette::ButtonText, spec.colour);
            }
            if (spec.background.isValid()) {
                pal.setColor(QPalette::Window, spec.background);
                w->setAutoFillBackground(true);
            }
            w->setPalette(pal);
        }
        w->setGeometry(px(spec.left), px(spec.top), px(spec.width), px(spec.height));
        if (spec.kind == Kind::AutoLabel)
            w->adjustSize();
    }
}

void setClientSize(QWidget *window, int widthTwips, int heightTwips)
{
    window->resize(px(widthTwips), px(heightTwips));
}

} // namespace quorvel
