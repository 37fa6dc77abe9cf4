// PostgreSQL's client library (libpq), loaded at run time: its calls and their C types.
#pragma once

#include "quarnel/adapters/dynamic_library.h"

namespace quarnel {

// libpq's opaque handles and the few values of its enums this program reads.
struct pg_conn;
struct pg_result;
using pq_oid = unsigned int;
constexpr int PQ_CONNECTION_OK = 0;
constexpr int PQ_COMMAND_OK = 1;
constexpr int PQ_TUPLES_OK = 2;

struct PqConninfoOption {
    char* keyword;
    char* envvar;
    char* compiled;
    char* val;
    char* label;
    char* dispchar;
    int dispsize;
};

struct LibpqApi {
    pg_conn* (*PQconnectdb)(const char* conninfo);
    int (*PQstatus)(const pg_conn* conn);
    char* (*PQerrorMessage)(const pg_conn* conn);
    void (*PQfinish)(pg_conn* conn);
    void (*(*PQsetNoticeProcessor)(pg_conn* conn, void (*processor)(void*, const char*),
                                   void* arg))(void*, const char*);
    pg_result* (*PQexecParams)(pg_conn* conn, const char* command, int n_params,
                               const pq_oid* param_types, const char* const* param_values,
                               const int* param_lengths, const int* param_formats,
                               int result_format);
    int (*PQresultStatus)(const pg_result* result);
    char* (*PQresultErrorMessage)(const pg_result* result);
    int (*PQntuples)(const pg_result* result);
    int (*PQnfields)(const pg_result* result);
    char* (*PQgetvalue)(const pg_result* result, int row, int column);
    int (*PQgetisnull)(const pg_result* result, int row, int column);
    void (*PQclear)(pg_result* result);
    PqConninfoOption* (*PQconninfoParse)(const char* conninfo, char** errmsg);
    void (*PQconninfoFree)(PqConninfoOption* options);
    void (*PQfreemem)(void* memory);
};

// The library, loaded on the first call and kept for the process: LIBPQ_LIBRARY when set,
// else libpq.so.5 (libpq.dll on Windows). A library that cannot be loaded, or lacks a call,
// prints its message with what a database run needs and raises app_error 70.
const LibpqApi& libpq();

// Whether the library loads, without a message.
bool libpq_available();

} // namespace quarnel
