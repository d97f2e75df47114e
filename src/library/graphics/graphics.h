// The drawing verbs: the turtle, the shapes, pictures and image effects. They
// draw on the surface of the current drawing place (a window or a picture
// box) through the widget set's Canvas, with the algorithms of graphics/.
#pragma once

#include <cstdint>
#include <memory>
#include <unordered_map>

#include "core/cmd_data.h"
#include "graphics/raster.h"
#include "graphics/turtle.h"
#include "platform/ports/canvas.h"

namespace qel {

class Engine;
namespace ui {
struct ScriptObject;
}

// The turtle and pen, engine-wide; a run starts from a fresh one.
struct GraphicsState {
    float heading = graphics::kStartHeading;
    bool penDown = true;
    std::uint32_t penColour = 0;  // 0xRRGGBB
    bool iconShown = true;        // the icon follows the heading
    int iconResource = 101;       // what the icon shows
    bool iconSet = false;         // the icon widget was given its picture
    // The turtle moved and drawn with: the one named last (カメn), else the
    // window's own.
    std::weak_ptr<ui::ScriptObject> turtle;
    long long segments = 0;   // turtle lines drawn this run (for tests and benchmarks)
    bool iconHidden = false;  // 隠れ: the icon stays hidden until 出て
    int quietSteps = 0;       // steps since events last ran, while the icon is hidden
    // Drawing points of surfaces other than windows (windows keep theirs).
    std::unordered_map<const ui::ScriptObject*, std::pair<double, double>> points;
    // Line widths (太さ) of surfaces; 1 where none was set.
    std::unordered_map<const ui::ScriptObject*, int> lineWidths;
    PictureSaveOptions saving;      // JPEGプログレッシブ, JPEG圧縮率
    long long transitionSteps = 0;  // frames the transitions showed this run (for tests)
};

GraphicsState& graphicsState(Engine& engine);

// Turtle commands and setting words.
CommandFn cmdTurnRight, cmdTurnLeft, cmdForward, cmdBackward, cmdTreeBranch, cmdAdvanceObject;
CommandFn setHeading, setPosition, setPenColour, setTurtleForm, setLineWidth;
CommandFn setJpegProgressive, setJpegQuality;
// Where the turtle stands and the colour it draws in.
FunctionFn fnTurtleX, fnTurtleY, fnPenColour;
// The pen and icon (上げ, 下げ, 隠れ, 出て without an object).
void TurtlePenUp(Engine& engine);
void TurtlePenDown(Engine& engine);
void TurtleShow(Engine& engine, bool shown);

// Shapes.
CommandFn cmdLine, cmdPoint, cmdWrite, cmdCircle, cmdRectangle, cmdFill;

// Image effects on a window or picture box (effect_commands.cpp).
CommandFn cmdInvertColours, cmdGreyscale, cmdSepia, cmdMosaic, cmdBlur, cmdSharpen, cmdEmboss,
    cmdContrast, cmdSolarize, cmdTurnPictureRight, cmdMirrorPicture, cmdFlipPicture, cmdTurnPicture,
    cmdClearSurface;

// Pictures onto drawing places (image_commands.cpp) and the transitions
// (transition_commands.cpp).
CommandFn cmdCopyPicture, cmdBlendPicture, cmdMakeTransparent, cmdGradient, cmdStamp, cmdLargeStamp;
CommandFn cmdFadeIn, cmdFadeOut, cmdStripeIn, cmdStripeOut, cmdSlideIn, cmdSlideOut, cmdRandomLines,
    cmdRandomDots;

// Pictures: 保存 of a window or picture box given without 「」; false when
// `subject` names no such object (the caller then saves text).
bool SavePictureOf(Engine& engine, TextView subject, TextView fileName);

}  // namespace qel
