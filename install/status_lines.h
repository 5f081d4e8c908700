// What the install worker shows, and for how long: the status lines its steps publish (the
// wizard's timer copies the current one onto the installing page) and the pauses after them, so
// that a person can read each line. The steps pause on the platform's Clock.
#pragma once

namespace quenlo {

// The pause after the line of one item (a file extracted, a codec registered, an extension
// associated), and after the line that ends or starts a phase.
inline constexpr unsigned kItemPauseMs = 2;
inline constexpr unsigned kPhasePauseMs = 100;

// While the sequence waits for the check of the setup file (on a slow disk).
inline constexpr const char* kCheckingLine = "正在检查安装文件，请稍候...";

// The extraction.
inline constexpr const char* kPreparingLine = "Quenlo播放v2.0 Tesmar版 正在装备安装，请稍候...";
inline constexpr const char* kExtractingPrefix = "正在解压缩:   ";  // then the file's name
inline constexpr const char* kExtractedLine = "Quenlo播放v2.0 Tesmar版 解压缩完毕!";
inline constexpr const char* kRegisterNextLine =
    "Quenlo播放v2.0 Tesmar版 准备注册解码器，请稍候...";

// The codec libraries.
inline constexpr const char* kRegisteringPrefix = "正在注册解码器:   ";  // then the file's name
inline constexpr const char* kCodecsDone = "OK, Quenlo播放v2.0 Tesmar版 解码器注册完毕。";

// The file types.
inline constexpr const char* kRegisteringTypes = "正在注册文件类型，请稍候...";
inline constexpr const char* kTypesDone = "OK，文件类型注册完毕!";

// The application record.
inline constexpr const char* kRecordWritten = "OK，Quenlo播放v2.0 Tesmar版 系统信息注册成功!";

// The temporary files, and the end.
inline constexpr const char* kRemovingPrefix = "正在删除临时文件";  // then the file's name,
inline constexpr const char* kRemovingSuffix = "，请稍候...";       // then this
inline constexpr const char* kRemovedLine = "OK，临时文件删除成功!";
inline constexpr const char* kSucceededLine = "OK，Quenlo播放v2.0 Tesmar版 安装成功!";

}  // namespace quenlo
