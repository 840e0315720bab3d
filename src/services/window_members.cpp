#include "services/window_members.h"

#include "platform/runtime_error.h"
#include "services/user_interaction.h"

#include <stdexcept>

namespace qn3::services {

void ListBox::AddItem(const QString& line)
{
    const int row = ListCount();
    beginInsertRows(QModelIndex(), row, row);
    lines_.append(line);
    endInsertRows();
}

void ListBox::Clear()
{
    if (lines_.isEmpty())
        return;
    beginResetModel();
    lines_.clear();
    endResetModel();
}

void ListBox::RemoveItem(int index)
{
    if (index < 0 || index >= ListCount())
        throw std::out_of_range("ListBox::RemoveItem: no line at this index");
    beginRemoveRows(QModelIndex(), index, index);
    lines_.removeAt(index);
    endRemoveRows();
}

void ListBox::setLines(QStringList lines)
{
    beginResetModel();
    lines_ = std::move(lines);
    endResetModel();
}

int ListBox::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : ListCount();
}

QVariant ListBox::data(const QModelIndex& index, int role) const
{
    if (!index.isValid() || index.row() >= ListCount() || role != Qt::DisplayRole)
        return {};
    return lines_.at(index.row());
}

void CheckBox::setValue(int value)
{
    value_ = value;
    if (onClick_)
        onClick_();
}

void CommonDialog::ShowOpen()
{
    OpenFileRequest request;
    request.initialFolder = InitDir;
    request.filter = Filter;
    request.fileName = FileName;
    const std::optional<QString> chosen = UserInteraction::current().askOpenFile(request);
    if (chosen) {
        FileName = *chosen;
        return;
    }
    if (CancelError)
        throw platform::RuntimeError(32755, QStringLiteral("Cancel was selected."), QStringLiteral("CommonDialog"));
}

int32_t SkinComponent::LoadSkinsFolder(const QString& folder, bool)
{
    skinsFolder_ = folder;
    return 1;
}

void SkinComponent::LoadSkin(const QString& skinFile, const QString& iniName)
{
    skinFile_ = skinFile;
    iniName_ = iniName;
}

void SkinComponent::ApplyWindow(int32_t)
{
    if (dresser_)
        dresser_(skinFile_, iniName_);
}

void FrmMainMembers::GestionClavier(int16_t, int16_t, bool&) {}
void FrmMainMembers::GestionClavier(int16_t, int16_t, bool&, bool&) {}

FrmMainMembers& Frm_Main()
{
    static FrmMainMembers members;
    return members;
}

FrmSetupMembers& FrmSetup()
{
    static FrmSetupMembers members;
    return members;
}

} // namespace qn3::services
