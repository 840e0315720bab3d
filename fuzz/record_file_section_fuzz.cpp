#include "database/call_block.h"
#include "database/catalogue.h"
#include "database/creation.h"
#include "database/opening.h"
#include "database/record_manager_access.h"
#include "fuzz_support.h"
#include "platform/windows_path.h"
#include "services/shared_values.h"
#include "services/user_interaction.h"
#include "services/window_members.h"

#include <QDir>

using namespace qn3;
using fuzzing::require;

namespace {

// Keeps what the record manager would be asked; opens and creates succeed.
class Recorder final : public database::RecordManagerAccess {
public:
    int32_t length = 0;
    int16_t keyLength = 0;
    int16_t call(uint16_t, void*, void*, int32_t* dataLength, void*, int16_t kl, int16_t) override
    {
        length = *dataLength;
        keyLength = kl;
        return 0;
    }
};

class Answers final : public services::UserInteraction {
public:
    int32_t askMessageBox(const services::MessageBoxRequest&) override { return services::msgbox::AnswerIgnore; }
    std::optional<QString> askOpenFile(const services::OpenFileRequest&) override { return {}; }
    QString selectFolder(const services::FolderRequest&) override { return QStringLiteral("*"); }
    int16_t chooseBase(const services::BaseChoiceRequest&) override { return -1; }
    void setWaitWindowVisible(bool) override {}
    void endProgram() override { std::abort(); } // nothing here may end the program
};

} // namespace

// Any "ZT_BTR.ini": the creation builds a creation buffer and a path from its
// section, the opening a path and a record length, and neither crashes.
QN3_FUZZ_TARGET(bytes)
{
    static Recorder recorder;
    static Answers answers;
    static platform::ScopedInstall<database::RecordManagerAccess> installRecorder{recorder};
    static platform::ScopedInstall<services::UserInteraction> installAnswers{answers};
    [[maybe_unused]] static const bool ready = [] {
        fuzzing::privatePrefix();
        services::RepConfig[0] = QStringLiteral("C:\\Config\\");
        services::RepBtr[0] = QStringLiteral("C:\\Data\\");
        for (const QString& folder : {services::RepConfig[0], services::RepBtr[0]})
            require(QDir().mkpath(platform::paths::toHost(folder)));
        fuzzing::writeFile(platform::paths::toHost(u"C:\\Data\\FRADA17.bt6"), {});
        return true;
    }();
    fuzzing::writeFile(platform::paths::toHost(u"C:\\Config\\ZT_BTR.ini"), bytes);

    QString path;
    recorder.keyLength = -1;
    database::CreationStructureVide(0, 44, QStringLiteral("FIC_Frad017"), path, services::RepBtr[0], 2, false, {});
    require(path.endsWith(u' ') && (recorder.keyLength < 0 || recorder.keyLength == path.size()));
    require(database::SpecFichierBtr().size() == 160);

    database::InitGeneralData();
    database::FichiersOuverts = {};
    database::FichiersAOuvrir[0][17][0] = -1;
    recorder.length = 0;
    require(!database::BTr_Ouverture(0, -17, QString(), 1) || (recorder.length >= 0 && recorder.length <= 32767));
    services::Frm_Main().ListeLogTemp.Clear();
    services::Frm_Main().ListeIncidents0.Clear();
}
