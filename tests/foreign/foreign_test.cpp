// The real game started with datafiles packed by the library's own `dat`
// from art it has never seen, under each compression, strip level and colour
// depth: it shows that art's menu and ends on a close request with status 0.
#include <cstdlib>
#include <iomanip>
#include <sstream>

#include "foreign_art.h"
#include "session.h"

namespace {

std::vector<std::string> packings()
{
    std::vector<std::string> all;
    std::istringstream list(FOREIGN_PACKINGS);
    for (std::string p; std::getline(list, p, ',');) {
        all.push_back(p);
    }
    return all;
}

bool close_to(std::uint32_t got, std::uint32_t want)
{
    for (int shift : {16, 8, 0}) {
        const int g = static_cast<int>(got >> shift & 0xFF), w = static_cast<int>(want >> shift & 0xFF);
        if (std::abs(g - w) > FOREIGN_TOLERANCE) {
            return false;
        }
    }
    return true;
}

// Where the window differs from the foreign menu, "" when it shows it.
std::string menu_difference(const Picture &p)
{
    if (p.w != FOREIGN_SCREEN_W || p.h != FOREIGN_SCREEN_H) {
        return "window is " + std::to_string(p.w) + "x" + std::to_string(p.h);
    }
    int wrong = 0;
    std::ostringstream first;
    for (int y = 0; y < p.h; ++y) {
        for (int x = 0; x < p.w; ++x) {
            const std::uint32_t want = foreign_menu_pixel(x, y);
            if (!close_to(p.at(x, y), want) && wrong++ == 0) {
                first << "(" << x << "," << y << ") " << std::hex << std::setfill('0') << "0x"
                      << std::setw(6) << p.at(x, y) << " != 0x" << std::setw(6) << want;
            }
        }
    }
    return wrong ? first.str() + ", " + std::to_string(wrong) + " pixels" : "";
}

class ForeignDatafiles : public GameSession, public ::testing::WithParamInterface<std::string> {};

TEST_P(ForeignDatafiles, StartTheGameAtTheirMenu)
{
    for (const char *name : {"tiles.dat", "stuff.dat"}) {
        const auto bytes = read_bytes(std::string(FOREIGN_DIR) + "/" + GetParam() + "/" + name);
        ASSERT_FALSE(bytes.empty()) << name << " of " << GetParam() << " was not built";
        write_bytes(dir + "/" + name, bytes);
    }
    ASSERT_TRUE(launch(dir)) << "no window; game " << describe_end(game);
    Picture last;
    EXPECT_TRUE(wait_for_picture(
        x.dpy, win, [](const Picture &p) { return menu_difference(p).empty(); }, SCREEN_SECONDS,
        &last))
        << "not the foreign menu: " << menu_difference(last) << "; game " << describe_end(game)
        << ", message \"" << last_message(game) << "\"";
    send_close_request(x.dpy, win);
    EXPECT_TRUE(exits_with(0));
}

INSTANTIATE_TEST_SUITE_P(Packings, ForeignDatafiles, ::testing::ValuesIn(packings()),
                         [](const ::testing::TestParamInfo<std::string> &info) {
                             std::string name = info.param;
                             for (char &c : name) {
                                 c = c == '-' ? '_' : c;
                             }
                             return name;
                         });

}  // namespace
