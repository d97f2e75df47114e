// Files and folders: saving, opening, copying, moving, deleting, backups, and file facts.
#pragma once

#include "core/cmd_data.h"

namespace qel {

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

}  // namespace qel
