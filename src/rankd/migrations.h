// The schema of the ranking store as numbered migrations, one table for
// both backends: a step whose SQL differs names the PostgreSQL text
// beside the SQLite one. A store applies, in one transaction each, the
// steps above the number in its schema_version table.
#pragma once
#include <span>

namespace ruvel::rankd {

struct TMigration {
  int version;
  const char* sql;          // SQLite, and PostgreSQL when postgresSql is null
  const char* postgresSql;  // PostgreSQL's text where it differs
};

std::span<const TMigration> Migrations();

// The step that adds board_counts, which the store fills from entries.
constexpr int kBoardCountsVersion = 8;

// The statement that creates the version table (the same for both).
extern const char* const kSchemaVersionTable;

}  // namespace ruvel::rankd
