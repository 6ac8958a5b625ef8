#include "app/startup.h"

#include "app/app_state.h"
#include "image/color_profile.h"
#include "image/thread_scratch.h"
#include "platform/platform.h"
#include "ui/gl.h"

namespace {
constexpr int kTileSide = 128;
}

std::string CommandLineFile(const std::string& commandLine) {
    if (commandLine.empty() || commandLine[0] != '"') return commandLine;
    const size_t end = commandLine.find('"', 1);
    return commandLine.substr(1, end == std::string::npos ? std::string::npos : end - 1);
}

void ravInit(const std::string& commandLine) {
    glClearColor(0.8f, 0.8f, 0.8f, 1.0f);
    glDisable(GL_DEPTH_TEST);
    glDepthMask(GL_FALSE);
    glDisable(GL_CULL_FACE);
    glDisable(GL_BLEND);
    glDisable(GL_TEXTURE_2D);

    const int threads = platform::ProcessorCount();
    SelectProfile(*BuiltinProfile(kDefaultProfileIndex));
    InitThreadScratch(threads, kTileSide);

    app.startupFile = CommandLineFile(commandLine);
}

void ShutdownApplication() { FreeThreadScratch(); }
