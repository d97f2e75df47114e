// Every command, setting-word and function handler the tables name, by family.
#pragma once

#include "core/cmd_data.h"

namespace qel {

// ---- commands and setting words not in this build -------------------------
void cmdNotBuilt(StatementRecord& record, Engine& engine);
void setNotBuilt(StatementRecord& record, Engine& engine);
void fnNotBuilt(Text& result, Text& args, Engine& engine);

// ---- declarations (declare.cpp) --------------------------------------------
void cmdDeclare(StatementRecord& record, Engine& engine);

// ---- control flow (conditional.cpp, loops.cpp, control_flow.cpp) ----------
void cmdRepeat(StatementRecord& record, Engine& engine);
void cmdLeave(StatementRecord& record, Engine& engine);
void cmdStop(StatementRecord& record, Engine& engine);
void cmdJump(StatementRecord& record, Engine& engine);
void cmdBranch(StatementRecord& record, Engine& engine);

// ---- computing and storing (assignment_commands.cpp) -----------------------
void cmdPut(StatementRecord& record, Engine& engine);
void cmdCalculate(StatementRecord& record, Engine& engine);
void cmdAdd(StatementRecord& record, Engine& engine);
void cmdSubtract(StatementRecord& record, Engine& engine);
void cmdSwap(StatementRecord& record, Engine& engine);

// ---- running further program text (program_commands.cpp) ------------------
void cmdRunText(StatementRecord& record, Engine& engine);
void cmdExecute(StatementRecord& record, Engine& engine);
void cmdRefer(StatementRecord& record, Engine& engine);
void cmdOrder(StatementRecord& record, Engine& engine);

// ---- text input and output (textio.cpp) -----------------------------------
void cmdDisplay(StatementRecord& record, Engine& engine);
void cmdWait(StatementRecord& record, Engine& engine);
void cmdRest(StatementRecord& record, Engine& engine);
void cmdIdle(StatementRecord& record, Engine& engine);
void cmdReport(StatementRecord& record, Engine& engine);
void cmdPrint(StatementRecord& record, Engine& engine);
void setTitle(StatementRecord& record, Engine& engine);
void fnAsk(Text& result, Text& args, Engine& engine);
void fnInput(Text& result, Text& args, Engine& engine);

// ---- the message channel between scripts (message_channel_commands.cpp) ----
void cmdStart(StatementRecord& record, Engine& engine);
void cmdSend(StatementRecord& record, Engine& engine);
void fnChannelMessage(Text& result, Text& args, Engine& engine);

// ---- keys typed into other windows (key_commands.cpp) ----------------------
void cmdTypeKeys(StatementRecord& record, Engine& engine);
void cmdTypeRawKeys(StatementRecord& record, Engine& engine);

// ---- setting words of the engine (engine_settings.cpp) ---------------------
void setErrorMode(StatementRecord& record, Engine& engine);
void setLocals(StatementRecord& record, Engine& engine);
void setProgressProcedure(StatementRecord& record, Engine& engine);
void setStartupText(StatementRecord& record, Engine& engine);

// ---- engine-state functions (engine_functions.cpp) -------------------------
void fnAnswer(Text& result, Text& args, Engine& engine);
void fnNewLine(Text& result, Text& args, Engine& engine);
void fnTab(Text& result, Text& args, Engine& engine);
void fnRunKind(Text& result, Text& args, Engine& engine);
void fnVersion(Text& result, Text& args, Engine& engine);
void fnLastUpdated(Text& result, Text& args, Engine& engine);
void fnErrorMessage(Text& result, Text& args, Engine& engine);
void fnErrorNumber(Text& result, Text& args, Engine& engine);
void fnErrorFile(Text& result, Text& args, Engine& engine);
void fnErrorLine(Text& result, Text& args, Engine& engine);
void fnCommandLine(Text& result, Text& args, Engine& engine);
void fnTitle(Text& result, Text& args, Engine& engine);
void fnUptime(Text& result, Text& args, Engine& engine);

// ---- strings (string_functions.cpp) --------------------------------------------
void fnLeft(Text& result, Text& args, Engine& engine);
void fnRight(Text& result, Text& args, Engine& engine);
void fnMid(Text& result, Text& args, Engine& engine);
void fnDropRight(Text& result, Text& args, Engine& engine);
void fnReplace(Text& result, Text& args, Engine& engine);
void fnExtract(Text& result, Text& args, Engine& engine);
void fnCut(Text& result, Text& args, Engine& engine);
void fnOneLine(Text& result, Text& args, Engine& engine);
void fnTrim(Text& result, Text& args, Engine& engine);
void fnTrimLeft(Text& result, Text& args, Engine& engine);
void fnTrimRight(Text& result, Text& args, Engine& engine);
void fnAsc(Text& result, Text& args, Engine& engine);
void fnChr(Text& result, Text& args, Engine& engine);
void fnUpper(Text& result, Text& args, Engine& engine);
void fnLower(Text& result, Text& args, Engine& engine);
void fnWide(Text& result, Text& args, Engine& engine);
void fnNarrow(Text& result, Text& args, Engine& engine);
void fnHiragana(Text& result, Text& args, Engine& engine);
void fnKatakana(Text& result, Text& args, Engine& engine);
void fnReading(Text& result, Text& args, Engine& engine);
void fnRepeat(Text& result, Text& args, Engine& engine);
void fnSpaces(Text& result, Text& args, Engine& engine);
void fnCount(Text& result, Text& args, Engine& engine);
void fnLineCount(Text& result, Text& args, Engine& engine);
void fnLength(Text& result, Text& args, Engine& engine);
void fnByteLength(Text& result, Text& args, Engine& engine);
void fnFind(Text& result, Text& args, Engine& engine);
void fnFindLast(Text& result, Text& args, Engine& engine);
void fnPatternReplace(Text& result, Text& args, Engine& engine);
void fnSplit(Text& result, Text& args, Engine& engine);
void fnSplitLines(Text& result, Text& args, Engine& engine);
void fnJoin(Text& result, Text& args, Engine& engine);
void fnDictionary(Text& result, Text& args, Engine& engine);
void fnDictionaryKeys(Text& result, Text& args, Engine& engine);
void fnJudge(Text& result, Text& args, Engine& engine);
void fnSimpleEncode(Text& result, Text& args, Engine& engine);
void fnBinaryArray(Text& result, Text& args, Engine& engine);
void cmdPatternSearch(StatementRecord& record, Engine& engine);
void cmdPatternSubmatch(StatementRecord& record, Engine& engine);

// ---- numbers (number_functions.cpp) --------------------------------------------
void fnTruncate(Text& result, Text& args, Engine& engine);
void fnRound(Text& result, Text& args, Engine& engine);
void fnCeiling(Text& result, Text& args, Engine& engine);
void fnFloor(Text& result, Text& args, Engine& engine);
void fnAbs(Text& result, Text& args, Engine& engine);
void fnSqrt(Text& result, Text& args, Engine& engine);
void fnExp(Text& result, Text& args, Engine& engine);
void fnLog(Text& result, Text& args, Engine& engine);
void fnSin(Text& result, Text& args, Engine& engine);
void fnCos(Text& result, Text& args, Engine& engine);
void fnTan(Text& result, Text& args, Engine& engine);
void fnAtan(Text& result, Text& args, Engine& engine);
void fnAsin(Text& result, Text& args, Engine& engine);
void fnAcos(Text& result, Text& args, Engine& engine);
void fnRadians(Text& result, Text& args, Engine& engine);
void fnPi(Text& result, Text& args, Engine& engine);
void fnRandom(Text& result, Text& args, Engine& engine);
void fnBitOr(Text& result, Text& args, Engine& engine);
void fnBitImp(Text& result, Text& args, Engine& engine);
void fnBitXor(Text& result, Text& args, Engine& engine);
void fnBitEqv(Text& result, Text& args, Engine& engine);
void fnBitAnd(Text& result, Text& args, Engine& engine);
void fnFromHex(Text& result, Text& args, Engine& engine);
void fnToHex(Text& result, Text& args, Engine& engine);
void fnRgb(Text& result, Text& args, Engine& engine);
void fnHls(Text& result, Text& args, Engine& engine);

// ---- dates and times (date_functions.cpp) ----------------------------------------
void fnNow(Text& result, Text& args, Engine& engine);
void fnToday(Text& result, Text& args, Engine& engine);
void fnTimeNow(Text& result, Text& args, Engine& engine);
void fnTimer(Text& result, Text& args, Engine& engine);
void fnYear(Text& result, Text& args, Engine& engine);
void fnMonth(Text& result, Text& args, Engine& engine);
void fnDay(Text& result, Text& args, Engine& engine);
void fnHour(Text& result, Text& args, Engine& engine);
void fnMinute(Text& result, Text& args, Engine& engine);
void fnSecond(Text& result, Text& args, Engine& engine);
void fnWeekday(Text& result, Text& args, Engine& engine);
void fnWeekdayName(Text& result, Text& args, Engine& engine);
void fnDateAdd(Text& result, Text& args, Engine& engine);
void fnDateDiff(Text& result, Text& args, Engine& engine);
void fnDateValue(Text& result, Text& args, Engine& engine);
void fnTimeValue(Text& result, Text& args, Engine& engine);

// ---- tables (table_functions.cpp) ----------------------------------------------
void fnArrayCount(Text& result, Text& args, Engine& engine);
void fnArraySearch(Text& result, Text& args, Engine& engine);
void fnArrayExtract(Text& result, Text& args, Engine& engine);
void fnArrayJudge(Text& result, Text& args, Engine& engine);
void fnColumnSearch(Text& result, Text& args, Engine& engine);
void fnArrayDelete(Text& result, Text& args, Engine& engine);
void fnArrayInsert(Text& result, Text& args, Engine& engine);
void fnArrayMap(Text& result, Text& args, Engine& engine);
void fnColumnExtract(Text& result, Text& args, Engine& engine);
void fnSum(Text& result, Text& args, Engine& engine);
void fnAverage(Text& result, Text& args, Engine& engine);
void fnMax(Text& result, Text& args, Engine& engine);
void fnMin(Text& result, Text& args, Engine& engine);
void fnStandardScore(Text& result, Text& args, Engine& engine);
void cmdSort(StatementRecord& record, Engine& engine);
void cmdInsert(StatementRecord& record, Engine& engine);
void cmdSearch(StatementRecord& record, Engine& engine);
void cmdReplace(StatementRecord& record, Engine& engine);
void cmdErase(StatementRecord& record, Engine& engine);

// ---- formats (format_functions.cpp) ----------------------------------------------
void fnFormat(Text& result, Text& args, Engine& engine);
void fnPercent(Text& result, Text& args, Engine& engine);
void fnCurrency(Text& result, Text& args, Engine& engine);

// ---- encodings (encoding_functions.cpp) ------------------------------------
void fnConvert(Text& result, Text& args, Engine& engine);
void fnEncodeFile(Text& result, Text& args, Engine& engine);
void fnRestore(Text& result, Text& args, Engine& engine);
void fnUrlEncode(Text& result, Text& args, Engine& engine);
void fnOpenEuc(Text& result, Text& args, Engine& engine);
void fnOpenJis(Text& result, Text& args, Engine& engine);
void cmdRestore(StatementRecord& record, Engine& engine);

// ---- transfers (transfer_commands.cpp) ---------------------------------------
void cmdDownload(StatementRecord& record, Engine& engine);
void cmdUpload(StatementRecord& record, Engine& engine);
void fnHttpDownload(Text& result, Text& args, Engine& engine);

// ---- files and folders (file_commands.cpp, file_functions.cpp, backup_commands.cpp) ----
void cmdSave(StatementRecord& record, Engine& engine);
void cmdAppendSave(StatementRecord& record, Engine& engine);
void cmdOpen(StatementRecord& record, Engine& engine);
void cmdMove(StatementRecord& record, Engine& engine);
void cmdCopy(StatementRecord& record, Engine& engine);
void cmdDelete(StatementRecord& record, Engine& engine);
void cmdRename(StatementRecord& record, Engine& engine);
void cmdChangeAttributes(StatementRecord& record, Engine& engine);
void cmdCreate(StatementRecord& record, Engine& engine);
void cmdBackup(StatementRecord& record, Engine& engine);
void cmdSaveDictionary(StatementRecord& record, Engine& engine);
void cmdInitDictionary(StatementRecord& record, Engine& engine);
void setWorkFolder(StatementRecord& record, Engine& engine);
void fnOpen(Text& result, Text& args, Engine& engine);
void fnFileSearch(Text& result, Text& args, Engine& engine);
void fnFolderSearch(Text& result, Text& args, Engine& engine);
void fnDriveSearch(Text& result, Text& args, Engine& engine);
void fnFileSize(Text& result, Text& args, Engine& engine);
void fnFileDate(Text& result, Text& args, Engine& engine);
void fnFileAttributes(Text& result, Text& args, Engine& engine);
void fnFolderOnly(Text& result, Text& args, Engine& engine);
void fnNameOnly(Text& result, Text& args, Engine& engine);
void fnExtensionOnly(Text& result, Text& args, Engine& engine);
void fnFileList(Text& result, Text& args, Engine& engine);
void fnFolderList(Text& result, Text& args, Engine& engine);
void fnDriveList(Text& result, Text& args, Engine& engine);
void fnAllFiles(Text& result, Text& args, Engine& engine);
void fnAllFolders(Text& result, Text& args, Engine& engine);
void fnWorkFolder(Text& result, Text& args, Engine& engine);
void fnRelativePath(Text& result, Text& args, Engine& engine);
void fnWindowsFolder(Text& result, Text& args, Engine& engine);
void fnSystemFolder(Text& result, Text& args, Engine& engine);
void fnTempFolder(Text& result, Text& args, Engine& engine);
void fnDesktopFolder(Text& result, Text& args, Engine& engine);
void fnDocumentsFolder(Text& result, Text& args, Engine& engine);
void fnFavoritesFolder(Text& result, Text& args, Engine& engine);
void fnStartMenuFolder(Text& result, Text& args, Engine& engine);
void fnProgramsFolder(Text& result, Text& args, Engine& engine);
void fnStartupFolder(Text& result, Text& args, Engine& engine);
void fnSendToFolder(Text& result, Text& args, Engine& engine);
void fnScriptFolder(Text& result, Text& args, Engine& engine);
void fnFileSizeText(Text& result, Text& args, Engine& engine);
void fnAppFileName(Text& result, Text& args, Engine& engine);
void fnProgramFilesFolder(Text& result, Text& args, Engine& engine);

// ---- written by other families; routed to from 削除 and 作れ ------------------
void cmdDeleteSetting(StatementRecord& record, Engine& engine);
void cmdDeleteAssociation(StatementRecord& record, Engine& engine);
void cmdCreateSelfExtracting(StatementRecord& record, Engine& engine);

// ---- settings: registry, settings files, application settings (settings_commands.cpp)
void cmdSetting(StatementRecord& record, Engine& engine);
// The 削除 forms レジストリの… and 設定ファイルの… (the 削除 command hands them here).
void cmdDeleteSetting(StatementRecord& record, Engine& engine);
void setSettingsFile(StatementRecord& record, Engine& engine);
void fnSetting(Text& result, Text& args, Engine& engine);
void fnSettingsFile(Text& result, Text& args, Engine& engine);
void fnRegistrySubkeys(Text& result, Text& args, Engine& engine);
void fnRegistryValueNames(Text& result, Text& args, Engine& engine);


// ---- programs, the session, associations (system_commands.cpp) -------------
void cmdStartProgram(StatementRecord& record, Engine& engine);
void cmdStartAndWait(StatementRecord& record, Engine& engine);
void cmdRestartSystem(StatementRecord& record, Engine& engine);
void cmdLogOff(StatementRecord& record, Engine& engine);
void cmdForcedLogOff(StatementRecord& record, Engine& engine);
void cmdStandby(StatementRecord& record, Engine& engine);
void cmdAssociate(StatementRecord& record, Engine& engine);
// 削除 of "…の関連付け" / "…の関連づけ" (woArg as written).
void cmdDeleteAssociation(StatementRecord& record, Engine& engine);
void fnWindowsVersion(Text& result, Text& args, Engine& engine);
void fnWindowsBuild(Text& result, Text& args, Engine& engine);
void fnWindowsKind(Text& result, Text& args, Engine& engine);
void fnEnvironmentVariable(Text& result, Text& args, Engine& engine);
void fnIsRunning(Text& result, Text& args, Engine& engine);
void fnRunningPrograms(Text& result, Text& args, Engine& engine);

// ---- archives (archive_commands.cpp) ---------------------------------------
void cmdCompress(StatementRecord& record, Engine& engine);
void cmdExtract(StatementRecord& record, Engine& engine);
// 作れ of a name beginning with 自己解凍書庫 (woArg as written).
void cmdCreateSelfExtracting(StatementRecord& record, Engine& engine);

}  // namespace qel
