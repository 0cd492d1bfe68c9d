// A PostgreSQL server for benchmarks: the one FR_PG_CONNECT names (a connection string),
// or a throwaway cluster on loopback that scripts/pg-test-server.sh starts in a temporary
// folder and stop() (or the destructor) removes again. The test suite starts its own
// through CTest fixtures with the same script.
#pragma once

#include <QString>

namespace testkit {

class PgServer {
public:
    PgServer() = default;
    ~PgServer() { stop(); }
    PgServer(const PgServer &) = delete;
    PgServer &operator=(const PgServer &) = delete;

    // True when a server is there; error says why not.
    bool start();
    void stop();

    QString connect; // the connection string, "Provider=PostgreSQL;Host=…"
    QString error;

private:
    QString m_state;
};

} // namespace testkit
