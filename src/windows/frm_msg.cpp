#include "windows/frm_msg.h"

#include <QLabel>

namespace qn3::windows {

namespace {
FrmMsg* gInstance = nullptr;
}

FrmMsg& FrmMsg::instance()
{
    if (gInstance == nullptr)
        gInstance = new FrmMsg;
    return *gInstance;
}

bool FrmMsg::exists()
{
    return gInstance != nullptr;
}

void FrmMsg::destroyInstance()
{
    delete gInstance;
    gInstance = nullptr;
}

FrmMsg::FrmMsg()
{
    setObjectName(QStringLiteral("FrmMsg"));
    LabelMsgInit = new QLabel(this);
    LabelMsgInit->setObjectName(QStringLiteral("LabelMsgInit"));
}

} // namespace qn3::windows
