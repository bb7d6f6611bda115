// Opens a playback stream that stays corked (paused by its own app) until it is killed:
// a sound session that is open but not playing.
//
//   tallyvane_test_corked [--playing] [KEY=VALUE...]
//
// --playing leaves the stream uncorked; KEY=VALUE pairs go on the stream's own properties only
// (PULSE_PROP sets the client's).
#include <pulse/pulseaudio.h>

#include <unistd.h>
#include <cstring>

namespace {

pa_stream* stream = nullptr;
bool playing = false;
pa_proplist* streamProperties = nullptr;

void onState(pa_context* context, void*) {
    if (pa_context_get_state(context) != PA_CONTEXT_READY) {
        return;
    }
    pa_sample_spec spec{PA_SAMPLE_S16LE, 44100, 2};
    stream = pa_stream_new_with_proplist(context, "corked", &spec, nullptr, streamProperties);
    pa_stream_connect_playback(stream, nullptr, nullptr,
                               playing ? PA_STREAM_NOFLAGS : PA_STREAM_START_CORKED, nullptr,
                               nullptr);
}

}  // namespace

int main(int argc, char** argv) {
    streamProperties = pa_proplist_new();
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--playing") == 0) {
            playing = true;
        } else {
            pa_proplist_setp(streamProperties, argv[i]);
        }
    }
    pa_mainloop* loop = pa_mainloop_new();
    pa_context* context = pa_context_new(pa_mainloop_get_api(loop), "corked-test");
    pa_context_set_state_callback(context, onState, nullptr);
    if (pa_context_connect(context, nullptr, PA_CONTEXT_NOAUTOSPAWN, nullptr) < 0) {
        return 1;
    }
    int result = 0;
    pa_mainloop_run(loop, &result);
    return result;
}
