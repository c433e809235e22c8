/* The driver's ceiling for reading a result: a plain C ODBC client that runs statements on one open
 * connection and reads every row through column-wise bound buffers, a block of rows per SQLFetch.
 * Numbers are bound as 64-bit integers or doubles, dates as timestamps, text as wide characters,
 * the types the program's own reader binds. Nothing is kept: each value is looked at once.
 *
 * velqor_bench_odbc_c VECES SENTENCIA...   (the connection string comes from VELQOR_ODBC_CADENA)
 *
 * Prints one line "SAMPLE|ms|rows" per run of all the statements together. */

#include <sql.h>
#include <sqlext.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <time.h>

#define FILAS_POR_BLOQUE 512
#define COLUMNAS_MAXIMAS 64
#define TEXTO_MAXIMO 8000

struct columna {
    SQLSMALLINT tipo_c;
    SQLLEN ancho;
    char* datos;
    SQLLEN indicadores[FILAS_POR_BLOQUE];
};

static void falla(SQLSMALLINT tipo, SQLHANDLE handle, const char* que) {
    SQLCHAR estado[6] = "", mensaje[512] = "";
    SQLINTEGER nativo = 0;
    SQLSMALLINT largo = 0;
    SQLGetDiagRec(tipo, handle, 1, estado, &nativo, mensaje, sizeof mensaje, &largo);
    fprintf(stderr, "velqor_bench_odbc_c: %s: [%s] %s\n", que, estado, mensaje);
    exit(1);
}

static double ahora_ms(void) {
    struct timespec t;
    clock_gettime(CLOCK_MONOTONIC, &t);
    return (double)t.tv_sec * 1e3 + (double)t.tv_nsec / 1e6;
}

/* Runs one statement and reads all its rows; answers how many. */
static long lee(SQLHDBC conexion, const char* sentencia, double* control) {
    SQLHSTMT st;
    SQLSMALLINT n = 0;
    SQLULEN leidas = 0;
    SQLUSMALLINT estados[FILAS_POR_BLOQUE];
    struct columna columnas[COLUMNAS_MAXIMAS];
    long filas = 0;
    SQLSMALLINT c;
    SQLRETURN rc;

    if (!SQL_SUCCEEDED(SQLAllocHandle(SQL_HANDLE_STMT, conexion, &st))) falla(SQL_HANDLE_DBC, conexion, "statement");
    if (!SQL_SUCCEEDED(SQLExecDirect(st, (SQLCHAR*)sentencia, SQL_NTS))) falla(SQL_HANDLE_STMT, st, sentencia);
    SQLNumResultCols(st, &n);
    if (n > COLUMNAS_MAXIMAS) n = COLUMNAS_MAXIMAS;
    SQLSetStmtAttr(st, SQL_ATTR_ROW_BIND_TYPE, (SQLPOINTER)SQL_BIND_BY_COLUMN, 0);
    SQLSetStmtAttr(st, SQL_ATTR_ROW_ARRAY_SIZE, (SQLPOINTER)FILAS_POR_BLOQUE, 0);
    SQLSetStmtAttr(st, SQL_ATTR_ROW_STATUS_PTR, estados, 0);
    SQLSetStmtAttr(st, SQL_ATTR_ROWS_FETCHED_PTR, &leidas, 0);
    for (c = 0; c < n; ++c) {
        SQLCHAR nombre[128];
        SQLSMALLINT largo = 0, tipo = 0, decimales = 0, nulable = 0;
        SQLULEN tamano = 0;
        SQLDescribeCol(st, (SQLUSMALLINT)(c + 1), nombre, sizeof nombre, &largo, &tipo, &tamano, &decimales,
                       &nulable);
        switch (tipo) {
            case SQL_TINYINT: case SQL_SMALLINT: case SQL_INTEGER: case SQL_BIGINT: case SQL_BIT:
                columnas[c].tipo_c = SQL_C_SBIGINT, columnas[c].ancho = sizeof(SQLBIGINT);
                break;
            case SQL_REAL: case SQL_FLOAT: case SQL_DOUBLE: case SQL_DECIMAL: case SQL_NUMERIC:
                columnas[c].tipo_c = SQL_C_DOUBLE, columnas[c].ancho = sizeof(SQLDOUBLE);
                break;
            case SQL_TYPE_TIMESTAMP: case SQL_TIMESTAMP:
                columnas[c].tipo_c = SQL_C_TYPE_TIMESTAMP, columnas[c].ancho = sizeof(SQL_TIMESTAMP_STRUCT);
                break;
            default:
                if (tamano == 0 || tamano > TEXTO_MAXIMO) tamano = TEXTO_MAXIMO;
                columnas[c].tipo_c = SQL_C_WCHAR, columnas[c].ancho = (SQLLEN)((tamano * 2 + 1) * sizeof(SQLWCHAR));
                break;
        }
        columnas[c].datos = malloc((size_t)columnas[c].ancho * FILAS_POR_BLOQUE);
        if (!columnas[c].datos) exit(1);
        SQLBindCol(st, (SQLUSMALLINT)(c + 1), columnas[c].tipo_c, columnas[c].datos, columnas[c].ancho,
                   columnas[c].indicadores);
    }
    while ((rc = SQLFetch(st)) != SQL_NO_DATA) {
        SQLULEN f;
        if (!SQL_SUCCEEDED(rc)) falla(SQL_HANDLE_STMT, st, "fetch");
        for (f = 0; f < leidas; ++f) {
            for (c = 0; c < n; ++c) {
                const char* dato = columnas[c].datos + f * (SQLULEN)columnas[c].ancho;
                if (columnas[c].indicadores[f] == SQL_NULL_DATA) continue;
                if (columnas[c].tipo_c == SQL_C_DOUBLE) {
                    double v;
                    memcpy(&v, dato, sizeof v);
                    *control += v;
                } else {
                    *control += (unsigned char)dato[0];
                }
            }
        }
        filas += (long)leidas;
    }
    for (c = 0; c < n; ++c) free(columnas[c].datos);
    SQLFreeHandle(SQL_HANDLE_STMT, st);
    return filas;
}

int main(int argc, char** argv) {
    const char* cadena = getenv("VELQOR_ODBC_CADENA");
    SQLHENV entorno;
    SQLHDBC conexion;
    double control = 0;
    int veces, v, s;

    if (argc < 3 || !cadena) {
        fprintf(stderr, "usage: VELQOR_ODBC_CADENA=... %s VECES SENTENCIA...\n", argv[0]);
        return 2;
    }
    veces = atoi(argv[1]);
    SQLAllocHandle(SQL_HANDLE_ENV, SQL_NULL_HANDLE, &entorno);
    SQLSetEnvAttr(entorno, SQL_ATTR_ODBC_VERSION, (SQLPOINTER)SQL_OV_ODBC3, 0);
    SQLAllocHandle(SQL_HANDLE_DBC, entorno, &conexion);
    if (!SQL_SUCCEEDED(SQLDriverConnect(conexion, NULL, (SQLCHAR*)cadena, SQL_NTS, NULL, 0, NULL,
                                        SQL_DRIVER_NOPROMPT)))
        falla(SQL_HANDLE_DBC, conexion, "connect");
    for (v = 0; v <= veces; ++v) {  /* the first run warms up and is not shown */
        const double inicio = ahora_ms();
        long filas = 0;
        for (s = 2; s < argc; ++s) filas += lee(conexion, argv[s], &control);
        if (v > 0) printf("SAMPLE|%.3f|%ld\n", ahora_ms() - inicio, filas);
    }
    SQLDisconnect(conexion);
    SQLFreeHandle(SQL_HANDLE_DBC, conexion);
    SQLFreeHandle(SQL_HANDLE_ENV, entorno);
    return control == -1 ? 3 : 0;
}
