// Database work done off the window's thread (the exam journal's writer) takes turns with the
// window's own: the server engine keeps one connection per process, which two threads must not use
// at once. Whoever works on the database while another thread may too holds this lock.
#pragma once

#include <mutex>

std::mutex& DatabaseTurn();
