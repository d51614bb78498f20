#pragma once
// Every message the program shows, each written once, with the box it comes in: where that box
// stands and whether the alert sounds first. The grid reader's and the compute command's
// refusals, the file commands' questions and refusals, the failures that end a command in the
// general error box, and the help viewer's reports.

#include <initializer_list>
#include <span>
#include <stdexcept>
#include <string>
#include <string_view>

namespace orvelt {

enum class BoxKind {
  WarningQuestion,  // caption "警告", the warning icon, Yes and No
  WarningNotice,    // caption "警告", the warning icon, OK
  Error,            // caption "エラー", the error icon, OK
  Confirmation,     // caption "確認", the question icon, Yes and No
  Plain,            // caption the application title, no icon, OK
  General,          // the general error box: the application title, the error icon, OK, a full
                    // stop after the text; centred on the screen
  Help,             // caption the help window's title, the warning icon, OK; centred
};

struct Message {
  BoxKind kind;
  int left;    // the box's left edge this far right of the main window's (its top 150 below the
               // window's); the centred kinds have none
  bool alert;  // the alert sounds before the box shows
  // UTF-8; "%1", "%2" ... stand for the parts given when it is shown.
  const char* text;
};

// The y calculation's; the grid reader's is about a cell.
inline constexpr Message kNotANumber{BoxKind::Error, 130, false, "正しい数字ではありません"};
inline constexpr Message kTooFewPairsForOne{BoxKind::Error, 125, false,
                                            "データ数が足りません\n\n１組以上のデータが必要です"};
inline constexpr Message kTooFewPairsForTwo{BoxKind::Error, 125, false,
                                            "データ数が足りません\n\n２組以上のデータが必要です"};
inline constexpr Message kOnlyZeroX{BoxKind::Error, 140, false,
                                    "ｘ の値が ０ のみです\n\n計算できません"};
inline constexpr Message kAllSameX{BoxKind::Error, 125, false,
                                   "ｘ の値がすべて同じです\n\n計算できません"};
inline constexpr Message kTooLongCell{BoxKind::Error, 130, false,
                                      "セルの文字が長すぎます\n\nセルは %1 文字までです"};

inline constexpr Message kOverwrite{BoxKind::WarningQuestion, 120, false,
                                    "既存のファイルを選択しました。\n\nファイルを更新しますか？"};
// Also the general error box's text for a file that is not there.
inline constexpr Message kFileNotFound{BoxKind::Error, 135, true, "ファイルが見つかりません"};
inline constexpr Message kUnreadableFile{BoxKind::Error, 110, true,
                                         "指定されたファイルは読めません"};
// About a cell.
inline constexpr Message kUnsavableCell{BoxKind::Error, 130, false, "保存できない文字があります"};
inline constexpr Message kOversizedSeries{
    BoxKind::Error, 130, false,
    "セルの文字が長すぎて保存できません\n\nファイルは %1 バイトまでです"};
inline constexpr Message kLeftOutFiles{
    BoxKind::WarningNotice, 120, false,
    "ファイルは系列１と系列２の二つまでしか開けません\n\n開かなかったファイル:\n%1"};

inline constexpr Message kEraseAll{BoxKind::Confirmation, 130, false,
                                   "データをすべて消去します\n\n消去しますか？"};
inline constexpr Message kEraseSeries1{BoxKind::Confirmation, 125, false,
                                       "系列１のデータを消去します\n\n消去しますか？"};
inline constexpr Message kEraseSeries2{BoxKind::Confirmation, 125, false,
                                       "系列２のデータを消去します\n\n消去しますか？"};

// %1 is the main window's caption.
inline constexpr Message kVersion{BoxKind::Plain, 125, true,
                                  "%1\n\nCopyright (C) 2026 オルヴェルト開発チーム"};

inline constexpr Message kInvalidOperation{BoxKind::General, 0, false,
                                           "不正な浮動小数点数演算命令"};
inline constexpr Message kOverflow{BoxKind::General, 0, false, "浮動小数点数のオーバーフロー"};
inline constexpr Message kInvalidFileName{BoxKind::General, 0, false, "不正なファイル名です"};
inline constexpr Message kTooManyOpenFiles{BoxKind::General, 0, false,
                                           "オープンしたファイルが多すぎます"};
inline constexpr Message kAccessDenied{BoxKind::General, 0, false,
                                       "ファイルへのアクセスが拒否されました"};
inline constexpr Message kReadOnlyMedium{BoxKind::General, 0, false,
                                        "読み取り専用のメディアには書き込めません"};
// %1 is the system's error number.
inline constexpr Message kIoError{BoxKind::General, 0, false, "I/O エラー (%1)"};
inline constexpr Message kHiddenWindow{BoxKind::General, 0, false,
                                       "無効/非表示ウィンドウにはフォーカスを設定できません"};
inline constexpr Message kNoConversion{BoxKind::General, 0, false,
                                       "文字コード %1 → %2 の変換がありません"};
inline constexpr Message kUnknownError{BoxKind::General, 0, false, "不明なエラー"};
// %1 is the file of the module that saves SVG and prints (output/output.h).
inline constexpr Message kOutputUnloadable{BoxKind::General, 0, false,
                                           "印刷と SVG の部品 %1 を読み込めません"};

// About the help file's full path.
inline constexpr Message kHelpMissing{BoxKind::Help, 0, false, "ヘルプ ファイルが見つかりません"};
inline constexpr Message kHelpUnreadable{BoxKind::Help, 0, false, "ヘルプ ファイルを読めません"};

// The table above, in its order.
std::span<const Message* const> AllMessages();

// The message's text with its parts in place of "%1", "%2" ...
std::string MessageText(const Message& message, std::span<const std::string_view> parts);
inline std::string MessageText(const Message& message,
                               std::initializer_list<std::string_view> parts = {}) {
  return MessageText(message, std::span(parts.begin(), parts.size()));
}
// The text followed by what it is about (a cell, a file) in a paragraph of its own, after an empty
// line.
std::string MessageTextAbout(const Message& message, std::string_view subject);

// A cell as messages name it: "  Data No. 3 の x" in series 1, "系列２ Data No. 3 の y" in any
// other series; the columns are x, y and Omit.
std::string CellName(int series, int row, int column);

// A message a command stops with, in the box the message names.
struct Refusal {
  const Message* message;
  std::string text;  // with its parts
};

inline Refusal Refuse(const Message& message, std::initializer_list<std::string_view> parts = {}) {
  return {&message, MessageText(message, parts)};
}
inline Refusal RefuseAbout(const Message& message, std::string_view subject) {
  return {&message, MessageTextAbout(message, subject)};
}

// A failure that ends the running command; the window shows its text in the general error box.
class CommandError : public std::runtime_error {
 public:
  explicit CommandError(const Message& message, std::initializer_list<std::string_view> parts = {})
      : std::runtime_error(MessageText(message, parts)) {}
};

}  // namespace orvelt
