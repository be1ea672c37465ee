// qulmo: the one command a desktop or a user runs. It picks the program that suits
// the session and becomes it (exec), so the exit status and every line on standard
// error are the player's own.
//
//   Program: qulmo-wayland beside this launcher when WAYLAND_DISPLAY is set and a
//   compositor accepts a connection on its socket, else qulmo-x11 when DISPLAY is
//   set, else one "ERROR: " line naming both variables and exit status 1.
//   Arguments: passed through unchanged. When the command line gives no font option
//   and the player's configuration directory holds no font.ttf, "-font PATH" goes in
//   front of them, PATH being the first regular sans-serif face fontconfig offers in
//   a format the player reads (TrueType or CFF). Without one nothing is added and
//   the player's own font error stands. "-gapless 1" goes in front as well unless
//   the command line sets -gapless: the installed player joins an album's tracks
//   without a pause, while the two programs keep their default.
//
// Both programs read options only from the front of the command line, in pairs, up
// to the first word that does not begin with '-' or up to "--"; a pair put in front
// therefore leaves the meaning of everything after it unchanged.
#include <fcntl.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <unistd.h>
#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {

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

// True when the player would take a font option from these arguments: the same walk
// over leading option pairs that the player makes.
bool font_option_given(int argc, char** argv) {
    for (int i = 1; i < argc && argv[i][0] == '-'; i += 2) {
        if (strcmp(argv[i], "--") == 0) return false;
        if (strcmp(argv[i], "-font") == 0 && i + 1 < argc) return true;
    }
    return false;
}

// True when the player would take a -gapless option from these arguments.
bool gapless_option_given(int argc, char** argv) {
    for (int i = 1; i < argc && argv[i][0] == '-'; i += 2) {
        if (strcmp(argv[i], "--") == 0) return false;
        if (strcmp(argv[i], "-gapless") == 0 && i + 1 < argc) return true;
    }
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

}  // namespace

int main(int argc, char** argv) {
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

    // Room for the program name, "-font PATH", "-gapless 1", the arguments and the null.
    char** args = static_cast<char**>(calloc(static_cast<size_t>(argc) + 5, sizeof(char*)));
    if (!args) return 1;
    int count = 0;
    args[count++] = program.text;
    Path dir, own_font, font;
    bool has_font = font_option_given(argc, argv) ||
                    (config_dir(&dir, program.text) && path_join(&own_font, dir.text, "font.ttf") &&
                     file_opens(own_font.text));
    if (!has_font && system_font(&font)) {
        args[count++] = const_cast<char*>("-font");
        args[count++] = font.text;
    }
    if (!gapless_option_given(argc, argv)) {
        args[count++] = const_cast<char*>("-gapless");
        args[count++] = const_cast<char*>("1");
    }
    for (int i = 1; i < argc; i++) args[count++] = argv[i];
    args[count] = nullptr;

    execv(program.text, args);
    fprintf(stderr, "ERROR: cannot run %s: %s\n", program.text, strerror(errno));
    return 1;
}
