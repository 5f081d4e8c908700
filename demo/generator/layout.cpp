#include "demo/generator/layout.h"

#include <algorithm>
#include <array>
#include <string_view>
#include <utility>

#include "demo/generator/filler.h"
#include "demo/generator/texts.h"

namespace quenlo::demo {
namespace {

// The small variant divides every planned size by this (and picture sides by its square root).
constexpr std::uint64_t kSmallDivisor = 32;
constexpr int kSmallSideDivisor = 4;

// Filler compressibility: libraries and programs store at about 43% of their size, close to
// what real code does; the one big library a little better.
constexpr double kLibraryRatio = 0.427;
constexpr double kBigLibraryRatio = 0.355;
constexpr int kSkinGrain = 2;

constexpr std::uint64_t kKb = 1000;

std::string Utf8(const char8_t* text) { return reinterpret_cast<const char*>(text); }

class Builder {
 public:
  explicit Builder(Variant variant) : small_(variant == Variant::kSmall) {}

  std::vector<PayloadFile> Take() { return std::move(files_); }

  // A library planned at `low` to `high` bytes.
  void Codec(std::string_view folder, std::string_view file, std::uint64_t low, std::uint64_t high,
             double ratio = kLibraryRatio) {
    PayloadFile& entry = Add(folder, file, FileKind::kCodec);
    entry.size = Planned(entry.name, low, high);
    entry.ratio = ratio;
  }
  void Program(std::string_view file, FileKind kind, std::uint64_t size) {
    PayloadFile& entry = Add("App", file, kind);
    entry.size = Planned(entry.name, size, size);
    entry.ratio = kLibraryRatio;
  }
  void Bitmap(std::string_view folder, std::string_view file, int width, int height) {
    PayloadFile& entry = Add(folder, file, FileKind::kBitmap);
    entry.width = Side(width);
    entry.height = Side(height);
    entry.grain = kSkinGrain;
  }
  // Icons keep their size in both variants: they are small, and 48 means "with 48 pixels".
  void Icon(std::string_view folder, std::string_view file, int size) {
    Add(folder, file, FileKind::kIcon).width = size;
  }
  void Jpeg(std::string_view folder, std::string_view file, int width, int height) {
    PayloadFile& entry = Add(folder, file, FileKind::kJpeg);
    entry.width = Side(width);
    entry.height = Side(height);
  }
  void Text(std::string_view folder, std::string_view file, std::string text) {
    Add(folder, file, FileKind::kText).text = std::move(text);
  }
  void Binary(std::string_view folder, std::string_view file, std::string header, std::uint64_t low,
              std::uint64_t high, double ratio) {
    PayloadFile& entry = Add(folder, file, FileKind::kBinary);
    entry.text = std::move(header);
    entry.size = Planned(entry.name, low, high);
    entry.ratio = ratio;
  }
  void Copy(std::string_view file, std::string_view sourceFolder) {
    Add("Exe", file, FileKind::kCopy).source = std::string(sourceFolder) + "\\" + std::string(file);
  }

 private:
  PayloadFile& Add(std::string_view folder, std::string_view file, FileKind kind) {
    PayloadFile entry;
    entry.name = std::string(folder) + "\\" + std::string(file);
    entry.kind = kind;
    files_.push_back(std::move(entry));
    return files_.back();
  }
  std::uint64_t Planned(const std::string& name, std::uint64_t low, std::uint64_t high) const {
    const std::uint64_t size = low + SeedFor(name) % (high - low + 1);
    return small_ ? size / kSmallDivisor : size;
  }
  int Side(int side) const { return small_ ? std::max(1, side / kSmallSideDivisor) : side; }

  bool small_;
  std::vector<PayloadFile> files_;
};

// Audio and video formats the demo codecs are named after.
constexpr std::array<std::string_view, 32> kFormats = {
    "aac",   "ac3",   "adpcm", "aiff",  "alaw",  "amr",  "ape",  "au",   "dts",    "dv",  "eac3",
    "flac",  "g723",  "g729",  "gsm",   "h261",  "h263", "h264", "mjpg", "mp2",    "mp3", "mpeg1",
    "mpeg2", "mpeg4", "pcm",   "qcelp", "speex", "tta",  "ulaw", "vc1",  "vorbis", "wv"};

void AddRoot(Builder& b) {
  b.Program("QuenloMediaPlayer.exe", FileKind::kPlayer, 3'150 * kKb);
  b.Program("UnInstall.exe", FileKind::kUninstaller, 118 * kKb);
  b.Text("App", "Readme.txt", ReadmeText());
  b.Text("App", Utf8(u8"最终用户许可协议.txt"), LicenceText());
  b.Codec("App", "avcodec.dll", 5'484'571, 5'484'571, kBigLibraryRatio);
  b.Codec("App", "avutil.dll", 186 * kKb, 186 * kKb);
  b.Codec("App", "bass.dll", 112 * kKb, 112 * kKb);
  b.Codec("App", "pncrt.dll", 335 * kKb, 335 * kKb);
  b.Codec("App", "qlcore.dll", 1'420 * kKb, 1'420 * kKb);
  b.Codec("App", "qlskin.dll", 610 * kKb, 610 * kKb);
}

void AddOtherCodec(Builder& b) {
  constexpr std::string_view folder = "App\\Codec\\OtherCodec";
  // 26 filters: 10 splitters, 16 decoders.
  for (std::string_view container :
       {"Avi", "Mkv", "Mp4", "Flv", "Ogg", "Mpeg", "Ts", "Asf", "Wav", "Mxf"}) {
    b.Codec(folder, "tm" + std::string(container) + "Split.ax", 60 * kKb, 520 * kKb);
  }
  for (std::string_view codec : {"Aac", "Ac3", "Dts", "Mpa", "Flac", "Ape", "Amr", "H264", "Mpeg2",
                                 "Mpeg4", "Vc1", "Mjpg", "Dv", "Theora", "Wv", "Pcm"}) {
    b.Codec(folder, "tm" + std::string(codec) + "Dec.ax", 60 * kKb, 520 * kKb);
  }
  b.Text(folder, "tmMkvSplit.ax.manifest", FilterManifestText("tmMkvSplit.ax"));
  // 66 libraries: a decoder and an encoder per format, and two helpers.
  for (std::string_view format : kFormats) {
    b.Codec(folder, "tm" + std::string(format) + "dec.dll", 30 * kKb, 460 * kKb);
    b.Codec(folder, "tm" + std::string(format) + "enc.dll", 30 * kKb, 460 * kKb);
  }
  b.Codec(folder, "mkunicode.dll", 96 * kKb, 96 * kKb);
  b.Codec(folder, "mkzlib.dll", 74 * kKb, 74 * kKb);
  b.Binary(folder, "keys.dat", "QKEYS 2.0\r\n", 2 * kKb, 2 * kKb, 1.0);
}

void AddPlugins(Builder& b) {
  constexpr std::string_view folder = "App\\Codec\\Plugins";
  b.Codec(folder, "QuenloAudioSwitch.ax", 150 * kKb, 350 * kKb);
  b.Codec(folder, "QuenloSubtitle.ax", 150 * kKb, 350 * kKb);
  b.Codec(folder, "QuenloEqualizer.dll", 120 * kKb, 320 * kKb);
  b.Codec(folder, "QuenloVisual.dll", 120 * kKb, 320 * kKb);
}

void AddReal(Builder& b) {
  constexpr std::string_view codecs = "App\\Codec\\Real\\Codecs";
  for (std::string_view stem :
       {"tamo", "kelv", "rumi", "sova", "pexa", "lino", "quar", "vemb", "dorn", "fibo", "gaty",
        "hulm", "jexo", "kiru", "mado", "nepo", "ovix"}) {
    b.Codec(codecs, std::string(stem) + "3267.dll", 120 * kKb, 560 * kKb);
  }
  constexpr std::string_view common = "App\\Codec\\Real\\Common";
  b.Codec(common, "pngu3267.dll", 372 * kKb, 372 * kKb);
  for (std::string_view stem : {"tsaud", "tsbase", "tsnet", "tsvid"}) {
    b.Codec(common, std::string(stem) + "3267.dll", 80 * kKb, 400 * kKb);
  }
  // 40 plug-ins: a file-format reader and a renderer for 20 formats.
  constexpr std::string_view plugins = "App\\Codec\\Real\\Plugins";
  for (std::size_t i = 0; i < 20; ++i) {
    b.Codec(plugins, std::string(kFormats[i]) + "ff3267.dll", 30 * kKb, 260 * kKb);
    b.Codec(plugins, std::string(kFormats[i]) + "rd3267.dll", 30 * kKb, 260 * kKb);
  }
  b.Binary("App\\Codec\\Real\\Plugins\\ExtResources", "tsplugin.xrs", "QXRS 2.0\r\n", 150 * kKb,
           150 * kKb, 0.5);
  constexpr std::string_view rpplugins = "App\\Codec\\Real\\rpplugins";
  b.Codec(rpplugins, "tsbrowse.dll", 200 * kKb, 300 * kKb);
  b.Binary(rpplugins, "tsbrowse.xpt", "QXPT 2.0\r\n", 8 * kKb, 16 * kKb, 0.4);
  b.Binary(rpplugins, "tsscript.xpt", "QXPT 2.0\r\n", 8 * kKb, 16 * kKb, 0.4);
  constexpr std::string_view chinese = "App\\Codec\\Real\\rpplugins\\cn";
  b.Codec(chinese, "tsbrowse_chs.dll", 30 * kKb, 70 * kKb);
  b.Codec(chinese, "tsscript_chs.dll", 30 * kKb, 70 * kKb);
}

void AddSysCodec(Builder& b) {
  constexpr std::string_view folder = "App\\Codec\\SysCodec";
  for (std::string_view filter :
       {"AsyncSrc", "AudioRender", "ColorConv", "Deint", "Mixer", "NetSrc", "NullRender",
        "Resample", "Resize", "SubPic", "Tee", "VideoRender"}) {
    b.Codec(folder, "qs" + std::string(filter) + ".ax", 80 * kKb, 480 * kKb);
  }
  for (std::string_view library :
       {"qsaudio", "qsclock", "qsdsp", "qsfourcc", "qsmedia", "qsutil", "qsvideo", "qsyuv"}) {
    b.Codec(folder, std::string(library) + ".dll", 40 * kKb, 360 * kKb);
  }
}

void AddSettingsAndLists(Builder& b) {
  b.Icon("App\\Image", "logo_s.ico", 48);
  b.Jpeg("App\\Image", "Splash.jpg", 480, 320);
  b.Text("App\\Ini", "Default.ini", DefaultSettingsText());
  constexpr std::string_view project = "App\\Project";
  b.Text(project, "PlayFileList", "");
  b.Text(project, "RecentList", RecentListText());
  b.Text(project, "FavoriteList", FavoriteListText());
  b.Text(project, "EqualizerPreset", EqualizerPresetText());
  b.Text(project, "PlayHistory.txt", PlayHistoryText());
  b.Text(project, "ProjectNotes.txt", ProjectNotesText());
  b.Text("App\\Temp", "Player.log", PlayerLogText());
}

void AddSkin(Builder& b) {
  constexpr std::string_view folder = "App\\Skin\\Default";
  // 35 buttons in four states each.
  for (std::string_view control :
       {"Play",     "Pause",    "Stop",       "Prev",    "Next",    "Open",     "Mute",
        "Volume",   "Seek",     "FullScreen", "Min",     "Max",     "Close",    "Restore",
        "Menu",     "PlayList", "Equalizer",  "Shuffle", "Repeat",  "Record",   "Snapshot",
        "Subtitle", "Audio",    "Settings",   "Skin",    "Forward", "Backward", "Eject",
        "Info",     "Help",     "Lyric",      "Mini",    "Top",     "Add",      "Remove"}) {
    for (std::string_view state : {"Normal", "Hover", "Down", "Disable"}) {
      const std::string file = std::string(control) + "_" + std::string(state) + ".bmp";
      const std::uint64_t hash = SeedFor(file);
      b.Bitmap(folder, file, 24 + static_cast<int>(hash % 49),
               20 + static_cast<int>(hash / 49 % 41));
    }
  }
  // Nine frame pieces.
  b.Bitmap(folder, "MainBack.bmp", 1024, 768);
  b.Bitmap(folder, "PlayListBack.bmp", 400, 768);
  b.Bitmap(folder, "EqualizerBack.bmp", 480, 320);
  b.Bitmap(folder, "TitleBar.bmp", 1024, 32);
  b.Bitmap(folder, "StatusBar.bmp", 1024, 24);
  b.Bitmap(folder, "SeekBar.bmp", 800, 12);
  b.Bitmap(folder, "SeekThumb.bmp", 16, 16);
  b.Bitmap(folder, "VolumeBar.bmp", 120, 12);
  b.Bitmap(folder, "VolumeThumb.bmp", 12, 12);
  for (std::string_view icon : {"Main.ico", "Mini.ico", "PlayList.ico", "Tray.ico"}) {
    b.Icon(folder, icon, 32);
  }
  b.Jpeg(folder, "Cover.jpg", 500, 500);
}

void AddSystemCopies(Builder& b) {
  b.Copy("avcodec.dll", "App");
  b.Copy("avutil.dll", "App");
  b.Copy("bass.dll", "App");
  b.Copy("mkunicode.dll", "App\\Codec\\OtherCodec");
  b.Copy("mkzlib.dll", "App\\Codec\\OtherCodec");
  b.Copy("pncrt.dll", "App");
  b.Copy("pngu3267.dll", "App\\Codec\\Real\\Common");
}

}  // namespace

std::vector<PayloadFile> DemoPayloadLayout(Variant variant) {
  Builder builder(variant);
  AddRoot(builder);
  AddOtherCodec(builder);
  AddPlugins(builder);
  AddReal(builder);
  AddSysCodec(builder);
  AddSettingsAndLists(builder);
  AddSkin(builder);
  AddSystemCopies(builder);
  return builder.Take();
}

}  // namespace quenlo::demo
