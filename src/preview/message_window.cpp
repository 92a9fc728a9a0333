// Message and input boxes as windows.
#include "preview/message_window.h"

#include <QInputDialog>
#include <QMessageBox>
#include <QPushButton>

#include "preview/qt_text.h"

namespace lf {

int WindowMessageService::MessageBox(const MessageBoxRequest& request) {
  QMessageBox box;
  box.setWindowTitle(ToQString(request.caption));
  box.setText(ToQString(request.text));
  switch (request.flags & mbIconMask) {
    case mbIconError: box.setIcon(QMessageBox::Critical); break;
    case mbIconQuestion: box.setIcon(QMessageBox::Question); break;
    case mbIconWarning: box.setIcon(QMessageBox::Warning); break;
    case mbIconInformation: box.setIcon(QMessageBox::Information); break;
    default: break;
  }
  struct Kind {
    int id;
    QMessageBox::StandardButton button;
  };
  static const Kind kinds[] = {{idOK, QMessageBox::Ok},       {idCancel, QMessageBox::Cancel},
                               {idAbort, QMessageBox::Abort}, {idRetry, QMessageBox::Retry},
                               {idIgnore, QMessageBox::Ignore}, {idYes, QMessageBox::Yes},
                               {idNo, QMessageBox::No}};
  auto standard = [](int id) {
    for (const Kind& k : kinds)
      if (k.id == id) return k.button;
    return QMessageBox::Ok;
  };
  std::vector<int> ids = MessageBoxButtons(request.flags);
  for (int id : ids) box.addButton(standard(id));
  box.setDefaultButton(standard(ResolveDefaultButton(request.flags, request.defaultButton)));
  box.exec();
  QAbstractButton* clicked = box.clickedButton();
  for (int id : ids)
    if (clicked == box.button(standard(id))) return id;
  // Closed without a button: the cancel button's answer when there is one.
  for (int id : ids)
    if (id == idCancel || id == idNo) return id;
  return ids.empty() ? idOK : ids.front();
}

std::string WindowMessageService::InputBox(const std::string& caption, const std::string& prompt,
                                           const std::string& defaultText) {
  bool ok = false;
  QString text = QInputDialog::getText(nullptr, ToQString(caption), ToQString(prompt), QLineEdit::Normal,
                                       ToQString(defaultText), &ok);
  return ok ? FromQString(text) : defaultText;
}

}  // namespace lf
