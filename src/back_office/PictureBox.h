// An edit box of a question bank whose text may hold pictures. It stays the line edit every
// handler reads and writes (text(), setText(), the same name and place); over it lies a one-line
// rich-text editor that shows each picture marker as the picture, small, where it stands. Typing,
// Backspace and Delete there edit the text, pictures included; the two are kept equal both ways.
#pragma once

#include <QLineEdit>
#include <QTextEdit>

class PictureShelf;

class PictureBox : public QLineEdit {
    Q_OBJECT
  public:
    // Shows the pictures of its text from `shelf`.
    PictureBox(QWidget* parent, PictureShelf& shelf);

    // Inserts picture `hash` (already on the shelf) at the editor's cursor.
    void InsertPicture(const QString& hash);
    QTextEdit* TextEditor() const;

  signals:
    // A picture pasted or dropped into the box: `bytes` named `name`, not yet checked.
    void pictureOffered(const QByteArray& bytes, const QString& name);
    void editorFocused();

  protected:
    void resizeEvent(QResizeEvent* event) override;

  private:
    class Editor;
    void ShowText(const QString& text);
    void EditorEdited();
    void Center();
    QSize PictureRoom() const;

    PictureShelf& shelf_;
    Editor* editor_ = nullptr;
    bool syncing_ = false;
};
