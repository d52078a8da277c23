// Where the database lives and the names of its tables.
#pragma once

#include <QString>

// The database file, relative to the working directory the program was started in.
inline const QString kDatabasePath = QStringLiteral("data/Maindb.db");

// Limits of the four question kinds and of student numbers.
inline constexpr int kSingleChoiceLimit = 50;
inline constexpr int kMultiChoiceLimit = 20;
inline constexpr int kTrueFalseLimit = 20;
inline constexpr int kSubjectiveLimit = 10;
inline constexpr int kLowestStudentNo = 110101;
inline constexpr int kHighestStudentNo = 999999;
