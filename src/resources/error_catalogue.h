// Every error a script can meet: its number, its message and the icon of its
// box, named by an identifier. Reports name the identifier and never a bare
// number, so a number means one thing and docs/errors.md can list them all.
//
// Adding an error: add its identifier to ErrorId (anywhere, usually beside its
// family), its row at the same place in error_catalogue.cpp, and its row in
// docs/errors.md. The build checks that the rows follow the identifiers; the
// unit tests check that each number has one text and that the document
// agrees.
#pragma once

#include <span>

#include "text/text.h"

namespace qel {

// The icons of the platform message box; an error's box adds OK and Cancel.
enum class ErrorIcon : int { Stop = 16, Question = 32, Warning = 48, Information = 64 };

// Notices that carry no error number: エラー番号 reads 0 after them.
inline constexpr int kUnnumbered = 0;

enum class ErrorId : int {
    // -- the language's message table --------------------------------------
    UnknownCommand,
    IfSyntax,
    ConditionUnreadable,
    NumberOutOfRange,
    NegativeNumber,
    FunctionOrArrayNotFound,
    SpaceMissing,
    BadNumber,
    NoSuchRow,
    NoSuchColumn,
    NumberTooLarge,
    AssignToCommand,
    SeparatorsMissing,
    QuoteBracketsMissing,
    ClosingParenthesisMissing,
    IfEndMissing,
    DictionaryVariableMissing,
    RegistryWriteFailed,
    InputMethodRequired,
    PatternsUnavailable,
    LabelNotFound,
    RegistryDeleteFailed,
    IndexOutOfRange,
    RegistryKeyWrong,
    AssignToFunction,
    FunctionArgumentsMissing,
    CommandArgumentsMissing,
    CommandNumberMissing,
    NegativeArrayIndex,
    BadPattern,
    SettingsFileWriteFailed,
    ValueRequired,
    ValueNotRight,
    SwitchEndMissing,
    UnknownFault,
    BadObjectToDelete,
    NoSuchSetting,
    NoSuchObjectKind,
    ObjectNotFound,
    ObjectRequired,
    CannotSelect,
    PanelNumberRequired,
    NoSuchItem,
    NotFound,
    BadOrReadOnlyFolder,
    CannotSave,
    FileNotFoundQuoteHint,
    CannotCompressAs,
    ArchiveTypeUnknown,
    CompressFailed,
    ExtractFailed,
    NotAProgram,
    CannotOpen,
    BadFolderName,
    ShortcutFailed,
    CannotPrint,
    ObjectCannotPrint,
    BadPrinterNumber,
    Mp3LibraryMissing,
    Mp3PlaybackFailed,
    Mp3SettingFailed,
    MediaCommandFailed,
    SaveTargetRequired,
    PngReadFailed,
    LibraryFileNotFound,
    LibraryFunctionNotFound,
    PluginUnavailable,
    LibraryCallFailed,
    ReservedCommandName,
    PluginNotFound,
    NotAPlugin,
    PluginNotAControl,
    FtpConnectFailed,
    FtpUploadFailed,
    DownloadFailed,
    ProtectionRefused,

    // -- texts the language gives where they happen ---------------------------
    OpeningParenthesesMissing,
    ClosingParenthesesMissing,
    ProtectionKeyDamaged,
    VariableHoldsNothing,
    ImmediateVerbSpelling,
    SettingPartsMissing,
    NumericOverflow,
    LoopSyntax,
    NameAlreadyUsed,
    HostReported,

    // -- this runtime's own numbers -------------------------------------------
    MessageNotSent,
    KeysNotSent,
    WindowNotFound,
    PatternTooComplex,
    SettingsStoreDamaged,
    CommentNotClosed,
    BadProcedureName,
    BadParameterList,
    FunctionTakesNoArguments,
    CommandTakesNoArguments,
    FilesNestedTooDeep,
    BracketsNestedTooDeep,
    BadColumnNumber,
    BadBinaryList,
    ChannelNotOpen,
    BadAddress,
    ThatUnknown,
    ThisUnknown,
    TopicNotInUse,
    ObjectNumberOrAliasRequired,
    ReadOnlyProperty,
    WriteOnlyProperty,
    TimerIntervalTooLong,
    TimerIntervalNegative,
    PropertyNotSupported,
    ContentTooLarge,
    ColourUnreadable,
    BranchTooDeep,
    PictureUnreadable,
    NotBuiltYet,
    NestingTooDeep,
    MenuItemRequired,
    ShortcutKeyWrong,
    MenuProcedureNeedsWindowName,
    MenusNestedTooDeep,
    SubMenuWithoutMenu,
    NativeNameAlreadyDeclared,
    ImagesFirst,
};

struct ErrorEntry {
    ErrorId id;
    int number;
    ErrorIcon icon;
    // "\n" (the two characters) stands for a line break, "%1" for the word
    // of the report. Empty for an error whose text the caller supplies.
    TextView message;
    // Part of the numbered message table that hosts look errors up in.
    bool inMessageTable = false;
};

const ErrorEntry& errorEntry(ErrorId id);
// All entries, in the order of ErrorId.
std::span<const ErrorEntry> errorCatalogue();

namespace resources {
// The message table as key=value lines, generated from the catalogue.
TextView messageTableSource();
}  // namespace resources

}  // namespace qel
