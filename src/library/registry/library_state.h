// What the standard library remembers between statements on its own behalf:
// none of it means anything to the language core, so it lives with the
// library (held by the StandardLibrary of the engine) and handlers reach it
// through libraryState(engine).
#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <string>

#include "media/media_session.h"
#include "text/text.h"

namespace qel {

class Engine;
struct ArgumentCaches;   // library/registry/arguments.cpp
struct GraphicsState;    // library/graphics/graphics.h
struct NativeCallState;  // library/plugins/plugins.h

struct LibraryState {
    // The message channel between scripts (開始 … 通信, 送信); one run long.
    struct Channel {
        bool on = false;
        Text name;
        Text procedure;    // called, without arguments, for each message received
        std::string sent;  // id of the message this run posted last ("" none)
        std::string seen;  // id of the message received last ("" none)
        Text received;     // what プログラム間メッセージ returns
    } channel;
    Text progressProcedure;  // setting word 処理状況
    // The percentage the progress procedure heard last. It outlives each
    // operation (and each run), so a new operation does not repeat it.
    int32_t lastPercent = 0;
    Text settingsFileName;  // setting word 設定ファイル (as the script wrote it, evaluated)
    // What the user forbade scripts to do (index: registry, files, system,
    // native calls, ask first); reloaded at the start of every run.
    std::array<bool, 5> protectionFlags{};
    // The built-in function being called (for handlers shared by several).
    Text currentFunctionName;
    // Function calls' argument texts as bound and split, per distinct text.
    std::shared_ptr<ArgumentCaches> argumentCaches;
    // The medium playing and the MCI devices (made by the first media verb;
    // it outlives runs, as the process's media state does).
    std::unique_ptr<media::MediaSession> media;
    std::unique_ptr<MediaPort> noMedia;  // what the session plays on without a port
    // The turtle and pen (made on first use, fresh for every run).
    std::shared_ptr<GraphicsState> graphics;
    // Libraries loaded and names declared by native calls (one run long).
    std::shared_ptr<NativeCallState> native;

    // What every run starts from. The last percentage and the protection
    // (reloaded by the run itself) are kept.
    void resetRun() {
        channel = Channel{};
        progressProcedure.clear();
        settingsFileName.clear();
        graphics.reset();
        native.reset();
    }
};

LibraryState& libraryState(Engine& engine);
const LibraryState& libraryState(const Engine& engine);

}  // namespace qel
