// Plays the game's tune through the real library the way the game does, for
// a few beats, then shuts the sound down cleanly. Run it from the folder that
// holds stuff.dat; it sits beside patches.dat as the game does.
//
// The datafile password stays set once the datafiles are loaded, as in the
// game. The synthesiser reads patches.dat through the same packfile layer,
// and with the password set it cannot: play_midi then fails. So the
// instruments are loaded with load_midi_patches() before the password is set.
#include <allegro.h>
#include <stuff.h>

#include <cstdio>
#include <ctime>

namespace {
constexpr long BEATS_TO_PLAY = 8;
constexpr std::time_t GIVE_UP_SECONDS = 60;
}  // namespace

int main() {
    if (allegro_init() != 0) {
        std::fprintf(stderr, "tune probe: no display\n");
        return 2;
    }
    install_timer();
    if (install_sound(DIGI_AUTODETECT, MIDI_AUTODETECT, nullptr) != 0) {
        std::fprintf(stderr, "tune probe: no sound: %s\n", allegro_error);
        return 3;
    }
    if (midi_driver->id != MIDI_DIGMID) {
        std::fprintf(stderr, "tune probe: MIDI is not played by the software synthesiser\n");
        return 4;
    }
    if (load_midi_patches() != 0) {
        std::fprintf(stderr, "tune probe: cannot load the instruments from patches.dat\n");
        return 5;
    }
    packfile_password("amber crest");
    DATAFILE *stuff = load_datafile("stuff.dat");
    if (!stuff || play_midi(static_cast<MIDI *>(stuff[STUFF_MUSIC].dat), TRUE) != 0) {
        std::fprintf(stderr, "tune probe: cannot start the tune\n");
        return 6;
    }
    set_volume(255, 255);
    const std::time_t deadline = std::time(nullptr) + GIVE_UP_SECONDS;
    while (midi_pos < BEATS_TO_PLAY && std::time(nullptr) < deadline) rest(10);
    const bool played = midi_pos >= BEATS_TO_PLAY;
    stop_midi();
    remove_sound();
    unload_datafile(stuff);
    allegro_exit();
    if (!played) std::fprintf(stderr, "tune probe: the tune did not advance\n");
    return played ? 0 : 7;
}
END_OF_MAIN()
