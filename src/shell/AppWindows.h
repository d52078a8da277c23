// The six windows of the program, created once at start-up in this order and kept until it ends.
#pragma once

class AdminSignIn;
class BackOffice;
class CandidateSignIn;
class ExamWindow;
class HelpWindow;
class MainWindow;

struct AppWindows {
    MainWindow* main = nullptr;
    CandidateSignIn* signIn = nullptr;
    ExamWindow* exam = nullptr;
    AdminSignIn* adminSignIn = nullptr;
    BackOffice* backOffice = nullptr;
    HelpWindow* help = nullptr;
};
