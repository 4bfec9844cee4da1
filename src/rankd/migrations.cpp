#include "rankd/migrations.h"

namespace ruvel::rankd {

const char* const kSchemaVersionTable = "CREATE TABLE IF NOT EXISTS schema_version (version INTEGER NOT NULL)";

namespace {

// Scores are compared as numbers; times are milliseconds since 1970 (UTC).
// The board index serves both the top lists and the rank count, the
// duplicate index the "same submission within a minute" look-up.
constexpr TMigration kMigrations[] = {
    {1,
     "CREATE TABLE games (name TEXT PRIMARY KEY, project_integrity BIGINT NOT NULL, "
     "kernel_integrity BIGINT NOT NULL, score_param TEXT NOT NULL, name_param TEXT NOT NULL, "
     "descending INTEGER NOT NULL, created_ms BIGINT NOT NULL)",
     nullptr},
    {2,
     "CREATE TABLE entries (id INTEGER PRIMARY KEY AUTOINCREMENT, game TEXT NOT NULL, board TEXT NOT NULL, "
     "name TEXT NOT NULL, score DOUBLE PRECISION NOT NULL, client TEXT NOT NULL, created_ms BIGINT NOT NULL)",
     "CREATE TABLE entries (id BIGSERIAL PRIMARY KEY, game TEXT NOT NULL, board TEXT NOT NULL, "
     "name TEXT NOT NULL, score DOUBLE PRECISION NOT NULL, client TEXT NOT NULL, created_ms BIGINT NOT NULL)"},
    {3, "CREATE INDEX entries_board ON entries (game, board, score)", nullptr},
    {4, "CREATE INDEX entries_recent ON entries (game, board, name, created_ms)", nullptr},
    {5, "CREATE TABLE bans (name TEXT PRIMARY KEY, created_ms BIGINT NOT NULL)", nullptr},
    // A digest of the submission and its minute: two copies sent at once
    // are stored once without a lock (rankd/sql_store.cpp).
    {6, "ALTER TABLE entries ADD COLUMN once_key BIGINT", nullptr},
    {7, "CREATE UNIQUE INDEX entries_once ON entries (once_key)", nullptr},
    // Entries counted by score bucket (rankd/score_bucket.h): a rank sums
    // these instead of counting every better entry. The store fills it
    // from the entries when it applies this step.
    {kBoardCountsVersion,
     "CREATE TABLE board_counts (game TEXT NOT NULL, board TEXT NOT NULL, bucket BIGINT NOT NULL, "
     "n BIGINT NOT NULL, PRIMARY KEY (game, board, bucket))",
     nullptr},
    // Indexes that plans made while a table is still small cannot get
    // wrong: each board order has one that yields the entries in it (best
    // first, earlier first among equals), and the look-ups by name start
    // with the name, so that no board-wide scan takes them instead.
    {9,
     "DROP INDEX entries_recent; DROP INDEX entries_board; "
     "CREATE INDEX entries_by_name ON entries (name, game, board, created_ms); "
     "CREATE INDEX entries_highest_first ON entries (game, board, score DESC, id); "
     "CREATE INDEX entries_lowest_first ON entries (game, board, score, id)",
     nullptr},
};

}  // namespace

std::span<const TMigration> Migrations() { return kMigrations; }

}  // namespace ruvel::rankd
