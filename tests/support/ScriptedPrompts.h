// Prompts for tests: records every box shown and answers from queues.
#pragma once

#include "ui_common/Prompts.h"

#include <QList>
#include <QPointer>
#include <QQueue>
#include <QString>
#include <QStringList>

class ScriptedPrompts : public Prompts {
  public:
    enum class Kind { Message, Error, Confirm, OpenFile, SaveFile };
    struct Shown {
        Kind kind;
        QString caption;
        QString text;
        QPointer<QWidget> window;  // the window the box spoke for (null: none named)
    };

    void Message(QWidget* owner, const QString& text) override;
    void Error(QWidget* owner, const QString& text) override;
    bool Confirm(QWidget* owner, const QString& caption, const QString& text) override;
    QString OpenFileName(QWidget* owner, const QString& filter) override;
    QString SaveFileName(QWidget* owner, const QString& filter) override;

    // Answers, taken in order; an empty queue answers Confirm with OK and file dialogs with Cancel.
    QQueue<bool> confirmAnswers;
    QQueue<QString> fileAnswers;

    QList<Shown> shown;
    // The texts of the plain messages, of the error boxes, of everything, in order.
    QStringList Messages() const;
    QStringList Errors() const;
    QStringList Texts() const;
    QString LastText() const { return shown.isEmpty() ? QString() : shown.last().text; }
    void Clear() { shown.clear(); }

    // Called after a box was recorded (tests use it to act while "the box is open").
    std::function<void(const Shown&)> onShown;

  private:
    void Record(QWidget* owner, Kind kind, const QString& caption, const QString& text);
};
