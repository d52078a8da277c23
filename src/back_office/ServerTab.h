// "服务器": where the classroom's data lives. The local file is the default; a school that runs a
// PostgreSQL server enters its address here. "复制到服务器" moves every table of the file to an
// empty server database and points the file there; "复制回本地文件" copies the server's content
// into a new file (a backup, or a room without the server); "改用本地文件" points back to the file.
#pragma once

#include "back_office/OfficeTab.h"
#include "ui_common/Prompts.h"

#include <optional>

class QLabel;
class QLineEdit;
struct ServerAddress;

class ServerTab : public OfficeTab {
    Q_OBJECT
  public:
    ServerTab(Prompts& prompts, QWidget* parent);
    // Shows the stored address (if any) and where connections go.
    void Refresh() override;

    // "保存设置": store the address of a server that already holds a classroom.
    void Button31Click();
    // "复制到服务器": copy the file's tables to the (empty) server, then use the server.
    void Button32Click();
    // "复制回本地文件": copy the server's content into a new database file.
    void Button33Click();
    // "改用本地文件": forget the address; later connections use the file.
    void Button34Click();

  private:
    // The address in the boxes; a message and nothing when one is missing or malformed.
    std::optional<ServerAddress> TypedAddress();

    WindowPrompts prompts_;
    QLabel* state_ = nullptr;
    QLineEdit* host_ = nullptr;
    QLineEdit* port_ = nullptr;
    QLineEdit* database_ = nullptr;
    QLineEdit* user_ = nullptr;
    QLineEdit* password_ = nullptr;
};
