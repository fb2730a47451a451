#pragma once
// The texts the engine shows, exactly as the program has always shown them. Formats are printf-style
// and are filled by FormatText (locale-independent).

namespace hozonix::engine::texts {

inline constexpr char NoFilesToUpdate[] = "更新対象ファイルはありません";
inline constexpr char ComparingTimes[] = "対象ファイルの更新日時を照合しています････ ";
inline constexpr char InspectingFiles[] = "のファイルを検査中です･･････････";
inline constexpr char UpdatingFiles[] = "のファイルを更新中です･･････････";
inline constexpr char Inspecting[] = "を検査中･････ ";
inline constexpr char InspectedFormat[] = "検査済  %3.1f%s [検査済 %d / %d]";
inline constexpr char CopyingStatusFormat[] = "%s をコピー中. [コピー済 %d / %d]";
inline constexpr char Copying[] = "をコピー中･････ ";
inline constexpr char CopiedCountFormat[] = "コピー済  %3.1f%s [コピー済 %d / %d]";
inline constexpr char CopiedStatusFormat[] = "%s をコピーしました  %3.1f%s [コピー済 %d / %d]";
inline constexpr char Copied[] = "をコピーしました･････ ";
inline constexpr char CopiedBytesFormat[] = "コピー済  %3.2f Kバイト/%3.2f Kバイト  %3.1f%s";
inline constexpr char Percent[] = "%";

inline constexpr char FilePrefix[] = "ファイル= ";
inline constexpr char DoesNotExist[] = " ありません";
inline constexpr char DestinationMissing[] = "コピー先のディレクトリが存在しません\r\n";
inline constexpr char SourceMissing[] = "コピー元のディレクトリが存在しません\r\n";
inline constexpr char DestinationBusy[] = "別のバックアップがコピー先のディレクトリを使用中です\r\n";
inline constexpr char LinkedFolder[] = "コピー先のフォルダがシンボリックリンクのため、書き込みません\r\n";
inline constexpr char CannotFlush[] = "コピーしたファイルをディスクに書き込めません\r\n";
inline constexpr char UnfinishedRun[] =
    "前回のバックアップが完了していないため、すべてのファイルを照合しています";
inline constexpr char OtherDestination[] =
    "コピー先が前回バックアップした先と同じではないため、すべてのファイルを照合しています";
inline constexpr char DriveNotMounted[] = "コピー先のドライブがマウントされていないため、書き込みません\r\n";
inline constexpr char DriveGone[] =
    "前回バックアップしたドライブがコピー先に見当たらないため、書き込みません\r\n";
inline constexpr char NoTimesKept[] =
    "コピー先はファイルの更新日時を保存しないため、更新されたファイルを日時で見分けられません\r\n";
inline constexpr char NoChangeTimes[] =
    "コピー元のファイルシステムは変更時刻を記録しないため、すべてのファイルを照合しています\r\n";
inline constexpr char LinksNotEntered[] =
    "次のリンクはシステム全体につながるため、リンク先をバックアップしません";

// Why a file is listed as failed when no later run can copy it either.
inline constexpr char NoRoom[] = "コピー先の空き容量が足りないため、書き込みません\r\n";
inline constexpr char RoomNeeded[] = "必要な容量: ";
inline constexpr char RoomFree[] = "空き容量: ";
inline constexpr char Bytes[] = " バイト";
inline constexpr char PruningHistory[] = "以前の版を整理しています";
inline constexpr char NameNotStorable[] = "コピー先に保存できない名前です";
inline constexpr char NotAFileThere[] = "コピー先の同じ場所にフォルダなど、ファイル以外のものがあります";
inline constexpr char FileInFoldersPlace[] = "コピー先の同じ場所にファイルがあるため、フォルダを作れません";
inline constexpr char CaseTwin[] =
    "大文字と小文字だけが異なる名前のファイルがほかにあり、コピー先では区別できません";
inline constexpr char FolderCaseTwin[] =
    "大文字と小文字だけが異なる名前のフォルダがほかにあり、コピー先では区別できません";
// A copy written whose last-write time the destination did not keep, so that no later run can tell by it.
inline constexpr char TimeNotKept[] = "コピー先がファイルの更新日時を設定どおりに保存しません";

inline constexpr char InvalidDate[] = "不正な日付です";
inline constexpr char SkipInvalidDate[] =
    "日付不正につき、以下のファイルのコピーをスキップしてもいいですか？ \r\n作成日＝";
inline constexpr char UpdatedOn[] = "更新日＝";
inline constexpr char FileNameIs[] = "ファイル名＝";

inline constexpr char ContinueQuestion[] = "続けますか？\r\n";
inline constexpr char NotSavedNote[] =
    "※中断処理により、上記のファイルは正しく保存されていませんのでご注意下さい。";

inline constexpr char RenameTo[] = "を";
inline constexpr char CannotPark[] = "へ変更できません";
inline constexpr char CannotPutBack[] = "へ書き戻すことができません";
inline constexpr char LineBreak[] = "\r\n";

inline constexpr char CannotOpenFile[] = "Cannot open file %s";
inline constexpr char CannotCreateFile[] = "Cannot create file %s";
inline constexpr char CannotReadFile[] = "Cannot read file %s";
inline constexpr char CannotWriteFile[] = "Cannot write file %s";

} // namespace hozonix::engine::texts
