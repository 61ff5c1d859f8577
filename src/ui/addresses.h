// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// The outside addresses that the course's texts mention. Each has one value,
// used wherever it occurs: instructions, examples, answers and the closing screen.
namespace quorvel::addresses {

inline constexpr char kYahooHost[] = "www.yahoo.com";
inline constexpr char kBrindlecroftHost[] = "www.brindlecroft.com";
inline constexpr char kMicrosoftHost[] = "www.microsoft.com";
inline constexpr char kQuickenHost[] = "www.quicken.com";
inline constexpr char kSupportAddress[] = "support@quorvel.com";

} // namespace quorvel::addresses
