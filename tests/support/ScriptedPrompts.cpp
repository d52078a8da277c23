#include "support/ScriptedPrompts.h"

#include <QWidget>

void ScriptedPrompts::Record(QWidget* owner, Kind kind, const QString& caption,
                             const QString& text) {
    shown.append({kind, caption, text, owner ? owner->window() : nullptr});
    if (onShown) onShown(shown.last());
}

void ScriptedPrompts::Message(QWidget* owner, const QString& text) {
    Record(owner, Kind::Message, kAppTitle, text);
}

void ScriptedPrompts::Error(QWidget* owner, const QString& text) {
    Record(owner, Kind::Error, kAppTitle, text);
}

bool ScriptedPrompts::Confirm(QWidget* owner, const QString& caption, const QString& text) {
    Record(owner, Kind::Confirm, caption, text);
    return confirmAnswers.isEmpty() ? true : confirmAnswers.dequeue();
}

QString ScriptedPrompts::OpenFileName(QWidget* owner, const QString& filter) {
    Record(owner, Kind::OpenFile, QString(), filter);
    return fileAnswers.isEmpty() ? QString() : fileAnswers.dequeue();
}

QString ScriptedPrompts::SaveFileName(QWidget* owner, const QString& filter) {
    Record(owner, Kind::SaveFile, QString(), filter);
    return fileAnswers.isEmpty() ? QString() : fileAnswers.dequeue();
}

static QStringList TextsOf(const QList<ScriptedPrompts::Shown>& shown, int kind) {
    QStringList texts;
    for (const auto& s : shown)
        if (kind < 0 || int(s.kind) == kind) texts << s.text;
    return texts;
}

QStringList ScriptedPrompts::Messages() const {
    return TextsOf(shown, int(Kind::Message));
}
QStringList ScriptedPrompts::Errors() const {
    return TextsOf(shown, int(Kind::Error));
}
QStringList ScriptedPrompts::Texts() const {
    return TextsOf(shown, -1);
}
