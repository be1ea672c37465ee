// qulmo: the one command a desktop or a user runs. It decides what it was handed,
// picks the program that suits the session and becomes it (exec), so the exit status
// and every line on standard error after that are the player's own.
//
//   --help, -h, --version: the usage or the version on standard output, status 0.
//   What to play. Options are read as the player reads them: in pairs at the front,
//   up to the first word that does not begin with '-' or up to "--"; the words after
//   them are the paths.
//   - No path: the configured playlist file when one is named (-playlist) or
//     playlist.txt exists; otherwise the user's music folder as a folder. Nothing
//     playable there: one "ERROR: " line naming the folder and saying how to choose
//     music, status 1, and the same words as a desktop notification when standard
//     error is no terminal.
//   - One audio file: passed on as it is (the player plays its folder from it).
//   - Anything else (folders, playlist files, several paths): one list, in the order
//     given (decoders/media_paths.h), handed over as "-playlist" naming a memory file.
//   One player a session: when a qulmo owns the media-controls name on the session bus,
//   the paths go to it (OpenUri: the file, folder or playlist, or a playlist file
//   written for several paths) and this command ends with status 0, without a window.
//   Program: qulmo-wayland beside this launcher when WAYLAND_DISPLAY is set and a
//   compositor accepts a connection on its socket, else qulmo-x11 when DISPLAY is
//   set, else one "ERROR: " line naming both variables and exit status 1.
//   Font: when the command line gives no font option and the player's configuration
//   directory holds no font.ttf, "-font PATH" goes in front of the arguments, PATH
//   being the first regular sans-serif face fontconfig offers in a format the player
//   reads (TrueType or CFF). Without one nothing is added and the player's own font
//   error stands. "-gapless 1" goes in front as well unless the command line sets
//   -gapless: the installed player joins an album's tracks without a pause, while the
//   two programs keep their default.
//
// Options put in front of the player's arguments leave the meaning of everything after
// them unchanged, since the player reads them the same way.
#include <fcntl.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <unistd.h>
#include <cerrno>
#include <climits>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <initializer_list>

#include "dist/launcher_bus.h"
#include "dist/launcher_list.h"
#include "formats/formats.h"
#include "formats/media_paths.h"
#include "foundation/file_uri.h"
#include "foundation/memory.h"

namespace {

constexpr const char* kUsage = R"(Usage: qulmo [-OPTION VALUE]... [--] [PATH]...
A small skinnable music player.

  qulmo            the playlist file when it exists, else the music folder
                   (XDG_MUSIC_DIR in ~/.config/user-dirs.dirs, else ~/Music)
  qulmo FILE       the music files of FILE's folder in name order, from FILE on
  qulmo FOLDER     every music file below FOLDER in name order, a folder's files
                   before its sub-folders; hidden ones left out
  qulmo PLAYLIST   the entries of an .m3u, .m3u8 or .pls playlist
  qulmo PATH...    files, folders and playlists as one list, in the order given
  While a qulmo plays, the paths go to it: it plays them in its window.
)";

constexpr const char* kUsageOptions = R"(
Options (each followed by its value; the default in brackets):
  -playlist FILE   the playlist file, one path a line [playlist.txt]
  -ui FILE         the look, a UI description [ui.txt, else the built-in look]
  -font FILE       TrueType or CFF font [font.ttf, else the system's sans-serif]
  -volume STEP     starting volume, 0 to 20 [20]
  -scale FACTOR    UI scale, 1 to 4 [qulmo-x11: 1; qulmo-wayland: output DPI / 96]
  -frametime MS    redraw interval of animated looks [50]
  -playmode MODE   normal, repeat, single or shuffle [normal]
  -speed FACTOR    accepted, 0.1 to 8; the speed does not change [1]
  -port VALUE      accepted and ignored [none]
  Relative files are read from ~/.config/qulmo.
  --help, -h       this text; --version: the version

Keys: Space pause, Left/Right seek 10 s, Up/Down previous/next track, Home restart,
9/0 volume down/up, N/R/S/F play mode normal/repeat/single/shuffle, Q quit.
Mouse: right click pause, wheel volume (over the seek bar: seek), left drag moves.

See man qulmo.
)";

constexpr const char* kNothingInPaths = "ERROR: nothing to play in the paths given\n";

constexpr const char* kNoDisplay =
    "ERROR: no display to play on: set WAYLAND_DISPLAY to a running Wayland compositor or "
    "DISPLAY to an X server\n";

struct Path {
    char text[PATH_MAX];
};

// a + "/" + b; false when it does not fit.
bool path_join(Path* out, const char* a, const char* b) {
    int n = snprintf(out->text, sizeof out->text, "%s/%s", a, b);
    return n > 0 && n < static_cast<int>(sizeof out->text);
}

// Cuts a path at its last '/': what is left is its directory.
void path_cut_name(Path* path) {
    char* slash = strrchr(path->text, '/');
    if (slash) *slash = '\0';
}

// The player's own test for a file: it opens for reading.
bool file_opens(const char* path) {
    FILE* f = fopen(path, "rb");
    if (!f) return false;
    fclose(f);
    return true;
}

// A compositor answers when its socket accepts a connection; a socket file left
// behind by one that has gone does not.
bool wayland_answers() {
    const char* name = getenv("WAYLAND_DISPLAY");
    if (!name || !*name) return false;
    sockaddr_un address = {};
    address.sun_family = AF_UNIX;
    int n;
    if (name[0] == '/') {
        n = snprintf(address.sun_path, sizeof address.sun_path, "%s", name);
    } else {
        const char* runtime = getenv("XDG_RUNTIME_DIR");
        if (!runtime || !*runtime) return false;
        n = snprintf(address.sun_path, sizeof address.sun_path, "%s/%s", runtime, name);
    }
    if (n <= 0 || n >= static_cast<int>(sizeof address.sun_path)) return false;
    int fd = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0) return false;
    bool ok = connect(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address) == 0;
    close(fd);
    return ok;
}

// The player's walk over leading option pairs: the index of the first path, and
// whether an option of that name was given.
int first_path(int argc, char** argv) {
    if (argc < 2 || argv[1][0] != '-') return 1;
    int i = 1;
    while (i < argc && argv[i][0] == '-') {
        if (strcmp(argv[i], "--") == 0) return i + 1;
        i += 2;
    }
    return i < argc ? i : argc;
}

bool option_given(int argc, char** argv, const char* name) {
    int end = first_path(argc, argv);
    for (int i = 1; i + 1 < end; i += 2)
        if (strcmp(argv[i], name) == 0) return true;
    return false;
}

// The directory the player reads font.ttf from: the directory of its real
// executable when the portable-mode marker is there, else ~/.config/qulmo. False
// when neither can be named.
bool config_dir(Path* out, const char* program) {
    if (realpath(program, out->text)) {
        path_cut_name(out);
        Path marker;
        if (path_join(&marker, out->text, "morsa_portable_mode.txt") && file_opens(marker.text))
            return true;
    }
    const char* home = getenv("HOME");
    return home && path_join(out, home, ".config/qulmo");
}

// One line of fc-match's sorted list, "format<TAB>index<TAB>file": the file when the
// face is one the player loads (TrueType or CFF, the first face of its file).
bool usable_face(char* line, Path* out) {
    char* index = strchr(line, '\t');
    if (!index) return false;
    *index++ = '\0';
    char* file = strchr(index, '\t');
    if (!file) return false;
    *file++ = '\0';
    file[strcspn(file, "\n")] = '\0';
    if (strcmp(line, "TrueType") != 0 && strcmp(line, "CFF") != 0) return false;
    // The low 16 bits number the face in a collection; the player reads face 0.
    if ((strtoul(index, nullptr, 10) & 0xFFFF) != 0 || file[0] != '/') return false;
    return snprintf(out->text, sizeof out->text, "%s", file) < static_cast<int>(sizeof out->text);
}

// Asks fontconfig for regular sans-serif faces, best first, and keeps the first usable.
bool system_font(Path* out) {
    int pipe_fds[2];
    if (pipe2(pipe_fds, O_CLOEXEC) != 0) return false;
    pid_t child = fork();
    if (child < 0) {
        close(pipe_fds[0]);
        close(pipe_fds[1]);
        return false;
    }
    if (child == 0) {
        dup2(pipe_fds[1], STDOUT_FILENO);
        execlp("fc-match", "fc-match", "-s", "-f", "%{fontformat}\t%{index}\t%{file}\n",
               "sans:style=Regular", static_cast<char*>(nullptr));
        _exit(127);
    }
    close(pipe_fds[1]);
    bool found = false;
    if (FILE* list = fdopen(pipe_fds[0], "r")) {
        char* line = nullptr;
        size_t capacity = 0;
        while (!found && getline(&line, &capacity, list) > 0) found = usable_face(line, out);
        free(line);
        fclose(list);  // a list left unread ends fc-match with SIGPIPE, which is fine
    } else {
        close(pipe_fds[0]);
    }
    waitpid(child, nullptr, 0);
    return found;
}

// The usage, with the names the format table gives.
void print_usage() {
    fputs(kUsage, stdout);
    for (int32_t kind : {FORMAT_AUDIO, FORMAT_M3U}) {
        fputs(kind == FORMAT_AUDIO ? "  Music files:" : "  Playlists:", stdout);
        for (const FileFormat& format : file_formats) {
            if ((format.kind == FORMAT_AUDIO) != (kind == FORMAT_AUDIO)) continue;
            for (const char* const* e = format.extensions; *e; e++) printf(" .%s", *e);
        }
        fputc('\n', stdout);
    }
    fputs(kUsageOptions, stdout);
}

// Hands the paths to the player that is running: one path as it is (a file plays its
// folder from it), several as a playlist file written for the purpose.
int hand_over(char** paths, int count) {
    char path[PATH_MAX];
    bool written = false;
    if (count == 1) {
        if (!absolute_path(paths[0], path, sizeof path)) {
            fprintf(stderr, "ERROR: cannot name %s to the running qulmo\n", paths[0]);
            return 1;
        }
    } else {
        PathList list{};
        list_expand(&list, paths, count);
        written = list.count > 0 && list_m3u_file(&list, path, sizeof path);
        size_t found = list.count;
        path_list_free(&list);
        if (found == 0) {
            fputs(kNothingInPaths, stderr);
            return 1;
        }
        if (!written) {
            fputs("ERROR: cannot write the list for the running qulmo\n", stderr);
            return 1;
        }
    }
    char* uri = file_uri_from_path(path);
    int status = player_open(uri);
    dru_free(uri);
    if (written) unlink(path);
    return status;
}

// Nothing to play in the music folder: said on standard error, and to the desktop when
// no terminal shows that (a start from the applications menu).
int no_music(const char* folder) {
    char text[PATH_MAX + 160];
    snprintf(text, sizeof text,
             "no music found in %s: put some there, or start qulmo with files, folders or "
             "playlists (qulmo --help)",
             folder);
    fprintf(stderr, "ERROR: %s\n", text);
    if (!isatty(STDERR_FILENO)) notify(text);
    return 1;
}

bool is_folder(const char* path) {
    struct stat st;
    return stat(path, &st) == 0 && S_ISDIR(st.st_mode);
}

}  // namespace

int main(int argc, char** argv) {
    if (argc >= 2 && (strcmp(argv[1], "--help") == 0 || strcmp(argv[1], "-h") == 0)) {
        print_usage();
        return 0;
    }
    if (argc >= 2 && strcmp(argv[1], "--version") == 0) {
        printf("qulmo %s\n", QULMO_VERSION);
        return 0;
    }
    // Past argc: the last option lacks its value, which the player itself reports.
    const int paths_at = first_path(argc, argv);
    const bool options_whole = paths_at <= argc;
    char** paths = argv + paths_at;
    const int path_count = options_whole ? argc - paths_at : 0;
    if (path_count > 0 && player_running()) return hand_over(paths, path_count);

    Path self;
    ssize_t n = readlink("/proc/self/exe", self.text, sizeof self.text - 1);
    if (n <= 0) {
        fputs("ERROR: cannot find the directory of the qulmo command\n", stderr);
        return 1;
    }
    self.text[n] = '\0';
    path_cut_name(&self);

    const char* name;
    if (wayland_answers()) {
        name = "qulmo-wayland";
    } else if (const char* display = getenv("DISPLAY"); display && *display) {
        name = "qulmo-x11";
    } else {
        fputs(kNoDisplay, stderr);
        return 1;
    }
    Path program;
    if (!path_join(&program, self.text, name)) {
        fputs("ERROR: the qulmo command's directory name is too long\n", stderr);
        return 1;
    }

    // The player gets one list in place of the paths, except for a single audio file
    // (its folder from that file) and a playlist file that is there to be read.
    Path dir, file;
    const bool has_config = config_dir(&dir, program.text);
    bool make_list;
    PathList list{};
    if (!options_whole) {
        make_list = false;
    } else if (path_count == 0) {
        make_list =
            !option_given(argc, argv, "-playlist") &&
            !(has_config && path_join(&file, dir.text, "playlist.txt") && file_opens(file.text));
        Path music;
        if (make_list) {
            if (!music_folder(music.text, sizeof music.text)) return no_music("~/Music");
            if (is_folder(music.text)) (void)media_path_expand(&list, music.text);
            if (list.count == 0) return no_music(music.text);
        }
    } else {
        make_list = !(path_count == 1 && file_name_is_audio(paths[0]));
        if (make_list) list_expand(&list, paths, path_count);
        if (make_list && list.count == 0) {
            fputs(kNothingInPaths, stderr);
            return 1;
        }
    }
    char list_name[64];
    if (make_list) {
        int fd = list_memory_file(&list);
        path_list_free(&list);
        if (fd < 0) {
            fprintf(stderr, "ERROR: cannot hold the playlist: %s\n", strerror(errno));
            return 1;
        }
        snprintf(list_name, sizeof list_name, "/proc/self/fd/%d", fd);
    }

    // Room for the program name, "-font PATH", "-gapless 1", the arguments, "-playlist FILE",
    // the null.
    char** args = static_cast<char**>(calloc(static_cast<size_t>(argc) + 7, sizeof(char*)));
    if (!args) return 1;
    int count = 0;
    args[count++] = program.text;
    Path own_font, font;
    bool has_font =
        option_given(argc, argv, "-font") ||
        (has_config && path_join(&own_font, dir.text, "font.ttf") && file_opens(own_font.text));
    if (!has_font && system_font(&font)) {
        args[count++] = const_cast<char*>("-font");
        args[count++] = font.text;
    }
    if (!option_given(argc, argv, "-gapless")) {
        args[count++] = const_cast<char*>("-gapless");
        args[count++] = const_cast<char*>("1");
    }
    // With a list the paths give way to it; a later -playlist replaces an earlier one.
    int end = make_list ? paths_at : argc;
    for (int i = 1; i < end; i++)
        if (!make_list || strcmp(argv[i], "--") != 0) args[count++] = argv[i];
    if (make_list) {
        args[count++] = const_cast<char*>("-playlist");
        args[count++] = list_name;
    }
    args[count] = nullptr;

    execv(program.text, args);
    fprintf(stderr, "ERROR: cannot run %s: %s\n", program.text, strerror(errno));
    return 1;
}
