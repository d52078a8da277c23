// Builds a database file from an SQL script: make_database <script.sql> <file.db> [--force]
// Without --force an existing database file is left untouched, so a teacher's data is never replaced.
#include <sqlite3.h>

#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

int main(int argc, char** argv) {
    if (argc < 3 || argc > 4 || (argc == 4 && std::strcmp(argv[3], "--force") != 0)) {
        std::fprintf(stderr, "usage: make_database <script.sql> <file.db> [--force]\n");
        return 2;
    }
    const std::filesystem::path script = argv[1];
    const std::filesystem::path target = argv[2];
    const bool force = argc == 4;
    if (std::filesystem::exists(target) && !force) {
        std::printf("%s exists; left unchanged\n", target.c_str());
        return 0;
    }
    std::ifstream in(script, std::ios::binary);
    if (!in) {
        std::fprintf(stderr, "cannot read %s\n", script.c_str());
        return 1;
    }
    std::stringstream text;
    text << in.rdbuf();

    // Build beside the target and rename, so a half-written file never stands in its place.
    if (target.has_parent_path()) std::filesystem::create_directories(target.parent_path());
    const std::filesystem::path scratch = target.string() + ".new";
    std::filesystem::remove(scratch);
    sqlite3* db = nullptr;
    if (sqlite3_open(scratch.c_str(), &db) != SQLITE_OK) {
        std::fprintf(stderr, "cannot create %s: %s\n", scratch.c_str(), sqlite3_errmsg(db));
        sqlite3_close(db);
        return 1;
    }
    char* error = nullptr;
    const int rc = sqlite3_exec(db, text.str().c_str(), nullptr, nullptr, &error);
    if (rc != SQLITE_OK) {
        std::fprintf(stderr, "%s: %s\n", script.c_str(), error ? error : "error");
        sqlite3_free(error);
        sqlite3_close(db);
        std::filesystem::remove(scratch);
        return 1;
    }
    sqlite3_close(db);
    std::filesystem::rename(scratch, target);
    std::printf("created %s\n", target.c_str());
    return 0;
}
