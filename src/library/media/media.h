// The media verbs (再生, リピート再生, 一時停止, 再開, 停止), the MCI commands scripts
// send through 命令, and the properties of the media objects (ＣＤ, ＭＩＤＩ,
// ビデオ, ＭＰ３, メディア).
#pragma once

#include <optional>

#include "core/engine.h"
#include "library/registry/registry.h"
#include "media/media_session.h"
#include "media/media_texts.h"

namespace qel {

CommandFn cmdPlay, cmdRepeatPlay, cmdTogglePause, cmdResumeMedia, cmdStopMedia;
// 演奏 and the setting words 音色 and テンポ.
CommandFn cmdPerform, setInstrument, setTempo;
void Perform(Engine& engine, TextView tune);
// Closes the MIDI output 演奏 opened (with every note switched off).
void CloseMidiOutput(Engine& engine);

media::MediaSession& MediaSessionOf(Engine& engine);

// Sends a command string; the MCI error number (0 success). Never reports.
int SendMci(Engine& engine, TextView command);
// Sends a command string and returns its answer; a failure reports error 499
// with the MCI error text and answers empty.
Text QueryMci(Engine& engine, TextView command);
// Reports the MCI error text of `code` as error 499.
void ReportMciError(Engine& engine, int code);

Text MediaModeText(Engine& engine);
void StopMedia(Engine& engine);
void RestartMedia(Engine& engine);
// Restarts a repeating medium that has stopped (before statements and in waits).
void MediaRepeatCheck(Engine& engine);
// The end of a run: the medium is stopped and released, the output flushed.
void MediaEndOfRun(Engine& engine);
// The start of a run: the output's timeline begins here.
void MediaStartOfRun(Engine& engine);

// Is `name` (an object part, as written) one of the media objects?
bool IsMediaObject(TextView name);
// A media object's property: `target` is "object の property". Read: the
// value; set: nothing (errors are reported).
Text MediaPropertyGet(Engine& engine, TextView object, TextView property);
void MediaPropertySet(Engine& engine, TextView object, TextView property, TextView rawValue);

// The MP3 path (through the media port, tags through the tag reader).
bool OpenMp3(Engine& engine, TextView path);
Text Mp3PropertyGet(Engine& engine, TextView property);
void Mp3PropertySet(Engine& engine, TextView property, TextView value);

}  // namespace qel
