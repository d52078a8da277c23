// The window's database work around an exam (the sign-in's look at the record, the start, the
// paper) and the exam journal's writer take turns, so a start never runs while this workstation's
// own writer is half-way through shipping a run of entries. Each thread has a connection of its
// own to a server; whoever works on the database while another thread may too holds this lock.
#pragma once

#include <mutex>

std::mutex& DatabaseTurn();
