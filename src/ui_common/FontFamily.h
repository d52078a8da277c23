// The CJK family installed with the program; a header of its own so that libraries without
// Widgets (printing) name the same family as the windows.
#pragma once

inline constexpr char kProgramFamily[] = "WenQuanYi Micro Hei";
