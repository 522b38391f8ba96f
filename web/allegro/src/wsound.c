/* The digital sound driver of the browser platform: the library's mixer,
 * run by Web Audio whenever it wants more, 16-bit stereo. The software MIDI
 * synthesiser plays through it. Browsers keep a page silent until the
 * person acts on it, so the sound starts with the first key or touch; it
 * stops while the page is hidden. */
#include <emscripten.h>
#include <stdint.h>

#include "allegro.h"
#include "allegro/internal/aintern.h"
#include "allegro/platform/aintweb.h"

/* A buffer lasts 23 ms at 44100 Hz: the tune's notes start on time to
 * within it. The browser's own buffers are asked to suit playback rather
 * than interaction: about 0.1 s of delay, for audio threads that wake less
 * often (headless Chromium at the menu, tune playing: 4.5 % of a core
 * against 5.3 %). */
#define FRAMES 1024
#define LATENCY "playback"
#define CHANNELS 2
/* The mixer runs before the audio does, so the audio is asked for the
 * mixer's rate; the browser converts it to the device's where they differ. */
#define RATE 44100

static int16_t buffer[FRAMES * CHANNELS];

/* The audio graph, made by the first key or touch, which lets it sound:
 * making it is the costliest step of the start (about 0.15 s of the page's
 * thread in Chromium), and before that key it could only stay silent.
 * 0 where the browser has no Web Audio. The mixer runs on the page's own
 * thread, while the program rests, so nothing else touches the voices
 * meanwhile. */
EM_JS(int, web_audio_open, (int16_t *samples, int frames, int rate, const char *latency), {
   const Context = globalThis.AudioContext || globalThis.webkitAudioContext;
   if (!Context)
      return 0;
   const audio = { context: null, node: null };
   const make = () => {
      audio.context = new Context({ latencyHint: UTF8ToString(latency), sampleRate: rate });
      audio.node = audio.context.createScriptProcessor(frames, 0, 2);
      audio.node.onaudioprocess = event => {
         _web_mix();
         const left = event.outputBuffer.getChannelData(0);
         const right = event.outputBuffer.getChannelData(1);
         const mixed = HEAP16.subarray(samples >> 1, (samples >> 1) + 2 * frames);
         for (let i = 0; i < frames; i++) {
            left[i] = mixed[2 * i] / 32768;
            right[i] = mixed[2 * i + 1] / 32768;
         }
      };
      audio.node.connect(audio.context.destination);
   };
   const start = () => {
      if (!audio.context)
         make();
      if (document.visibilityState !== 'hidden')
         audio.context.resume();
   };
   const follow_page = () => {
      if (!audio.context)
         return;
      if (document.visibilityState === 'hidden')
         audio.context.suspend();
      else
         audio.context.resume();
   };
   audio.listeners = [
      { target: globalThis, type: 'keydown', handler: start },
      { target: globalThis, type: 'pointerdown', handler: start },
      { target: globalThis, type: 'touchend', handler: start },
      { target: document, type: 'visibilitychange', handler: follow_page },
   ];
   audio.listeners.forEach(l => l.target.addEventListener(l.type, l.handler, true));
   Module['webAudio'] = audio;
   return 1;
});

EM_JS(void, web_audio_close, (void), {
   const audio = Module['webAudio'];
   audio.listeners.forEach(l => l.target.removeEventListener(l.type, l.handler, true));
   if (audio.context) {
      audio.node.disconnect();
      audio.context.close();
   }
   Module['webAudio'] = null;
});

/* The tune's notes are played up to now before the sound is mixed, so
 * they start on time to within a buffer, however long the program rests. */
EMSCRIPTEN_KEEPALIVE void web_mix(void)
{
   _web_run_timers();
   _mix_some_samples((uintptr_t)buffer, 0, TRUE);
}

static int web_digi_detect(int input)
{
   if (input) {
      ustrzcpy(allegro_error, ALLEGRO_ERROR_SIZE, get_config_text("Input is not supported"));
      return FALSE;
   }
   return TRUE;
}

static int web_digi_init(int input, int voices)
{
   if (!web_digi_detect(input))
      return -1;
   if (!web_audio_open(buffer, FRAMES, RATE, LATENCY)) {
      ustrzcpy(allegro_error, ALLEGRO_ERROR_SIZE, get_config_text("This browser has no Web Audio"));
      return -1;
   }
   _sound_bits = 16;
   _sound_stereo = TRUE;
   _sound_freq = RATE;
   digi_web.voices = voices;
   if (_mixer_init(FRAMES * CHANNELS, _sound_freq, _sound_stereo, TRUE, &digi_web.voices) != 0) {
      web_audio_close();
      ustrzcpy(allegro_error, ALLEGRO_ERROR_SIZE, get_config_text("Error initialising mixer"));
      return -1;
   }
   return 0;
}

static void web_digi_exit(int input)
{
   if (input)
      return;
   web_audio_close();
   _mixer_exit();
}

static int web_digi_buffer_size(void)
{
   return FRAMES;
}

DIGI_DRIVER digi_web = {
   .id = DIGI_WEB,
   .name = empty_string,
   .desc = empty_string,
   .ascii_name = "Web Audio",
   .max_voices = MIXER_MAX_SFX,
   .def_voices = MIXER_DEF_SFX,
   .detect = web_digi_detect,
   .init = web_digi_init,
   .exit = web_digi_exit,
   .buffer_size = web_digi_buffer_size,
   .init_voice = _mixer_init_voice,
   .release_voice = _mixer_release_voice,
   .start_voice = _mixer_start_voice,
   .stop_voice = _mixer_stop_voice,
   .loop_voice = _mixer_loop_voice,
   .get_position = _mixer_get_position,
   .set_position = _mixer_set_position,
   .get_volume = _mixer_get_volume,
   .set_volume = _mixer_set_volume,
   .ramp_volume = _mixer_ramp_volume,
   .stop_volume_ramp = _mixer_stop_volume_ramp,
   .get_frequency = _mixer_get_frequency,
   .set_frequency = _mixer_set_frequency,
   .sweep_frequency = _mixer_sweep_frequency,
   .stop_frequency_sweep = _mixer_stop_frequency_sweep,
   .get_pan = _mixer_get_pan,
   .set_pan = _mixer_set_pan,
   .sweep_pan = _mixer_sweep_pan,
   .stop_pan_sweep = _mixer_stop_pan_sweep,
   .set_echo = _mixer_set_echo,
   .set_tremolo = _mixer_set_tremolo,
   .set_vibrato = _mixer_set_vibrato,
};
