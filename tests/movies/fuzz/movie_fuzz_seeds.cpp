// Writes the seed corpus of the movie fuzz target: short movies of each kind the openers
// take, made with the same encoders the movie tests use.
#include <fstream>
#include <string>

#include "../av_movie_maker.h"
#include "../movie_builder.h"

namespace {

bool Save(const std::string& path, const std::vector<uint8_t>& bytes) {
    std::ofstream out(path, std::ios::binary);
    out.write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
    return bool(out);
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 2) return 1;
    const std::string dir = argv[1];
    using movie_test::AvKind;
    const struct {
        const char* name;
        movie_test::AvMovie movie;
    } movies[] = {{"clip.mpg", {AvKind::Mpeg1Ps, 4, 32, 32, 25, 0.1}},
                  {"clip.avi", {AvKind::Mpeg4Avi, 4, 32, 32, 25, 0.1}},
                  {"clip.mkv", {AvKind::Mpeg4Mkv, 4, 32, 32, 25, 0}}};
    for (const auto& m : movies)
        if (!movie_test::WriteAvMovie(dir + "/" + m.name, m.movie).empty()) return 1;
    // A crafted movie whose first frame the decoder refuses, which it has no picture for.
    const movie_test::TheoraShape refused{.refusedFirstFrame = true};
    return Save(dir + "/silent.ogv", movie_test::MakeMovie(4)) && Save(dir + "/sound.ogv", movie_test::MakeMovie(3, true)) &&
                   Save(dir + "/refused.ogv", JoinMovie(EncodeTheora(3, movie_test::DefaultFrame, 1, 7, refused), {}))
               ? 0
               : 1;
}
