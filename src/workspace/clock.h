#pragma once

#include <QString>

namespace quorvel {

// The workspace clock's caption: the date in the user's short date format,
// one space, the time in the user's long time format, read afresh (date first,
// then time). With US settings: "12/06/2026 08:00:50 PM".
QString clockText();

} // namespace quorvel
