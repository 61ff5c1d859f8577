// SPDX-License-Identifier: GPL-3.0-or-later
#include "clock.h"

#include <QFontMetricsF>
#include <QLabel>
#include <QtGlobal>
#include <algorithm>

#if defined(Q_OS_UNIX) && !defined(Q_OS_MACOS)
#include <ctime>
#else
#include <QDate>
#include <QLocale>
#include <QTime>
#endif

namespace quorvel {

namespace {

#if defined(Q_OS_UNIX) && !defined(Q_OS_MACOS)

// The C library formats with the user's LC_TIME (QCoreApplication has called
// setlocale()): "%x" is the short date with a four-digit year in en_US, and
// "%X" the time with seconds and AM/PM but no time zone, which QLocale's
// formats for the same locale do not give.
QString formatNow(const char *format)
{
    const std::time_t now = std::time(nullptr);
    std::tm parts{};
    localtime_r(&now, &parts);
    char buf[128];
    const std::size_t n = std::strftime(buf, sizeof buf, format, &parts);
    return QString::fromLocal8Bit(buf, qsizetype(n));
}

QString clockText()
{
    const QString date = formatNow("%x");
    const QString time = formatNow("%X");
    return date + QLatin1Char(' ') + time;
}

#else

QString clockText()
{
    // Windows and macOS: QLocale::system() reads the user's own settings.
    const QLocale locale = QLocale::system();
    const QDate date = QDate::currentDate();
    const QTime time = QTime::currentTime();
    QString timeFormat = locale.timeFormat(QLocale::LongFormat);
    timeFormat.remove(QLatin1Char('t')).replace(QLatin1String("  "), QLatin1String(" "));
    return locale.toString(date, QLocale::ShortFormat) + QLatin1Char(' ') +
           locale.toString(time, timeFormat.trimmed());
}

#endif

} // namespace

void showClock(QLabel *label)
{
    const QString text = clockText();
    QFont f = label->font();
    f.setStretch(QFont::Unstretched);
    const qreal room = label->contentsRect().width();
    const qreal wide = QFontMetricsF(f).horizontalAdvance(text);
    int stretch = wide > room ? std::max(50, int(100 * room / wide)) : 100;
    f.setStretch(stretch);
    while (stretch > 50 && QFontMetricsF(f).horizontalAdvance(text) > room)
        f.setStretch(--stretch);
    if (f != label->font())
        label->setFont(f);
    label->setText(text);
}

} // namespace quorvel
