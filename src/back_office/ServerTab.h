// "服务器": where the classroom's data lives. The local file is the default; a school that runs a
// PostgreSQL server enters its address here, how the connection is encrypted and checked (TLS),
// the owner's name (the back office's role; its password is asked, never stored) and the exam role
// the workstations connect as. "复制到服务器" moves every table of the file to an empty server
// database, sets the exam role up and points the file there; "复制回本地文件" copies the server's
// content into a new file (a backup, or a room without the server); "改用本地文件" points back to
// the file, after offering to bring the server's content into it first.
#pragma once

#include "back_office/OfficeTab.h"
#include "ui_common/Prompts.h"

#include <optional>

class QComboBox;
class QLabel;
class QLineEdit;
struct ServerSettings;

class ServerTab : public OfficeTab {
    Q_OBJECT
  public:
    ServerTab(Prompts& prompts, QWidget* parent);
    // Shows the stored settings (if any) and where connections go.
    void Refresh() override;

    // The back office was opened on the local file because the server cannot be reached.
    void SetOffline(bool offline) { offline_ = offline; }

    // "保存设置": store the settings of a server that already holds a classroom (the exam role is
    // set up with the typed password).
    void Button31Click();
    // "复制到服务器": copy the file's tables to the (empty) server, then use the server.
    void Button32Click();
    // "复制回本地文件": copy the server's content into a new database file.
    void Button33Click();
    // "改用本地文件": forget the server; later connections use the file.
    void Button34Click();
    // "选择…": the certificate authority's file.
    void Button35Click();

  private:
    // The settings in the boxes, and the owner's password (typed, else the session's); a message
    // and nothing when one is missing or malformed. An empty exam role gets a name and a password.
    std::optional<ServerSettings> TypedSettings(QString& ownerPassword);
    // Copies the server's content into `target` (a new file beside it first).
    bool CopyBack(const ServerSettings& settings, const QString& ownerPassword,
                  const QString& target);

    WindowPrompts prompts_;
    QLabel* state_ = nullptr;
    QLineEdit* host_ = nullptr;
    QLineEdit* port_ = nullptr;
    QLineEdit* database_ = nullptr;
    QLineEdit* user_ = nullptr;
    QLineEdit* password_ = nullptr;
    QLineEdit* examUser_ = nullptr;
    QLineEdit* examPassword_ = nullptr;
    QComboBox* sslMode_ = nullptr;
    QLineEdit* caFile_ = nullptr;
    bool offline_ = false;
};
