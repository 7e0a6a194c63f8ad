#include "QtModalMessage.h"

#include "UiTexts.h"

#include <QMessageBox>

namespace tarnwick {

QtModalMessage::QtModalMessage(QWidget* parent)
    : m_parent(parent)
{ }

void QtModalMessage::showMessage(std::string_view text)
{
    // An empty caption would show the program file's name instead.
    QMessageBox box(QMessageBox::NoIcon, kMainCaption,
        QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size())), QMessageBox::Ok,
        m_parent);
    box.setWindowModality(Qt::ApplicationModal);
    box.exec();
}

} // namespace tarnwick
