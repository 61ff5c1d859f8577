// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// The course's own texts, as the learner meets them: every Show Me example,
// all of a lesson's examples after one another, every practice's answer,
// and each lesson's "Write ..." instruction as a learner types it (what is
// inside its outer quotes).

#include "lessons/lessons.h"
#include "practice/practice.h"

#include <QList>
#include <QString>
#include <utility>

namespace quorvel::testing {

// Named as "Form3 ShowMe3", "Form3 every Show Me", "Form1Test Answer",
// "Form3 Label1 as written".
inline QList<std::pair<QString, QString>> courseTexts()
{
    const std::pair<const char *, const ScreenDesign &> screens[] = {
        {"Form1", lessons::lesson1()},        {"Form2", lessons::lesson2()},
        {"Form3", lessons::lesson3()},        {"Form1Test", practice::practice1()},
        {"Form2Test", practice::practice2()}, {"Form3Tutorial", practice::practice3()},
    };
    QList<std::pair<QString, QString>> all;
    for (const auto &[screen, design] : screens) {
        const QString name = QString::fromLatin1(screen) + u' ';
        QString every;
        QString answer;
        for (const Snippet &snippet : design.snippets) {
            all.append({name + snippet.button, snippet.text});
            every += snippet.text;
        }
        if (!every.isEmpty())
            all.append({name + QStringLiteral("every Show Me"), every});
        for (const QString &line : design.answerLines)
            answer += line + QLatin1String("\r\n");
        if (!answer.isEmpty())
            all.append({name + QStringLiteral("Answer"), answer});
        for (const ControlRow &label : design.panel) {
            QString typed = label.caption.trimmed();
            if (design.isPractice() || !typed.startsWith(u"Write "))
                continue;
            typed = typed.mid(6).trimmed();
            if (typed.startsWith(u'"'))
                typed = typed.mid(1, typed.lastIndexOf(u'"') - 1);
            all.append({name + label.name + QStringLiteral(" as written"), typed});
        }
    }
    return all;
}

} // namespace quorvel::testing
