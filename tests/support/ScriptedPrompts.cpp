#include "support/ScriptedPrompts.h"

void ScriptedPrompts::Record(Kind kind, const QString& caption, const QString& text) {
    shown.append({kind, caption, text});
    if (onShown) onShown(shown.last());
}

void ScriptedPrompts::Message(const QString& text) {
    Record(Kind::Message, kAppTitle, text);
}

void ScriptedPrompts::Error(const QString& text) {
    Record(Kind::Error, kAppTitle, text);
}

bool ScriptedPrompts::Confirm(const QString& caption, const QString& text) {
    Record(Kind::Confirm, caption, text);
    return confirmAnswers.isEmpty() ? true : confirmAnswers.dequeue();
}

QString ScriptedPrompts::OpenFileName(const QString& filter) {
    Record(Kind::OpenFile, QString(), filter);
    return fileAnswers.isEmpty() ? QString() : fileAnswers.dequeue();
}

QString ScriptedPrompts::SaveFileName(const QString& filter) {
    Record(Kind::SaveFile, QString(), filter);
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
