#include "DropboxSharingInfoView.h"

#include "PolishedHeader.h"

#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

DropboxSharingInfoView::DropboxSharingInfoView(QWidget* parent)
    : QWidget(parent)
{
    setObjectName(QStringLiteral("DropboxSharingInfo"));
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);

    m_header = new PolishedHeader;
    m_header->setTitle(tr("Sharing"));
    layout->addWidget(m_header);

    auto* body = new QWidget;
    auto* bodyLayout = new QVBoxLayout(body);
    bodyLayout->setContentsMargins(18, 18, 18, 18);
    bodyLayout->setSpacing(12);
    auto* explanation = new QLabel(
        tr("Drop recipes or grocery lists on a device to send them to it. Recipes the device sends to "
           "this computer arrive in Recent Imports when you select the device."));
    explanation->setWordWrap(true);
    explanation->setAlignment(Qt::AlignTop | Qt::AlignLeft);
    bodyLayout->addWidget(explanation);
    m_preferencesButton = new QPushButton(tr("Sharing Preferences…"));
    connect(
        m_preferencesButton, &QPushButton::clicked, this, &DropboxSharingInfoView::openSharingPreferences);
    bodyLayout->addWidget(m_preferencesButton, 0, Qt::AlignLeft);
    bodyLayout->addStretch(1);
    layout->addWidget(body, 1);
}
