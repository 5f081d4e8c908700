#include "install/install_sequence.h"

#include <thread>

#include "install/app_record.h"
#include "install/codec_registration.h"
#include "install/file_types.h"
#include "install/temporary_files.h"
#include "payload/extraction.h"

namespace quenlo {
namespace {

// Runs one step; an error leaving it is named after the step.
template <typename Step>
void RunStep(const char* stepName, Step&& step) {
  try {
    step();
  } catch (const std::exception& error) {
    throw InstallStepError(stepName, error.what());
  } catch (...) {
    throw InstallStepError(stepName, "未知错误");
  }
}

}  // namespace

void RunInstallSequence(SetupSession& session, const InstallPlatform& platform,
                        const std::string& installDir) {
  ExtractedFiles extracted;
  if (!platform.files.FolderExists(installDir)) platform.files.CreateFolder(installDir);
  RunStep("解压缩文件", [&] { ExtractPayload(session, platform.files, installDir, extracted); });
  RunStep("注册解码器",
          [&] { RegisterCodecs(session, platform.files, platform.libraries, extracted); });
  RunStep("注册文件类型", [&] { RegisterFileTypes(session, platform.files, platform.registry); });
  RunStep("写入系统信息", [&] { WriteAppRecord(session, platform.files, platform.registry); });
  RunStep("删除临时文件", [&] { RemoveTemporaryFiles(session, platform.files, extracted); });
}

void TInstallAndReg::Execute(SetupSession& session, const InstallPlatform& platform) {
  session.Status.SetInstallFinished(false);
  try {
    RunInstallSequence(session, platform, session.InstallDir);
  } catch (const InstallStepError& error) {
    session.Status.PublishFailure({error.step(), error.what()});
    return;
  }
  session.Status.SetInstallFinished(true);
}

void TInstallAndReg::Start(SetupSession& session, const InstallPlatform& platform) {
  std::thread([&session, platform] { Execute(session, platform); }).detach();
}

}  // namespace quenlo
