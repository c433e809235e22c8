// A JDBC client over jTDS 1.3.1 that runs what an administrator's tools and a maintenance pass
// send: a plain query, the survey, an error, a DBCC that only sends messages, sp_updatestats and a
// prepared statement with a parameter (prepareSQL=3, jTDS's default: sp_prepare and sp_execute;
// prepareSQL=2: sp_executesql). One line per answer on stdout.
// Usage: java -cp jtds.jar ClienteJtds.java PORT USER PASSWORD DATABASE
import java.sql.*;

public class ClienteJtds {
    static void mensajes(Statement s) throws SQLException {
        for (SQLWarning w = s.getWarnings(); w != null; w = w.getNextWarning()) {
            System.out.println("message " + w.getErrorCode() + ": " + w.getMessage());
        }
        s.clearWarnings();
    }

    static void preparada(Connection c, String modo) throws SQLException {
        try (PreparedStatement p =
                 c.prepareStatement("SELECT Usuario_cd FROM UsuariosPW WHERE Usuario_ID = ?")) {
            for (String usuario : new String[] {"Admin", "O'Brien"}) {
                p.setString(1, usuario);
                try (ResultSet r = p.executeQuery()) {
                    while (r.next()) System.out.println(modo + " " + usuario + " " + r.getInt(1));
                }
            }
        }
    }

    public static void main(String[] a) throws Exception {
        Class.forName("net.sourceforge.jtds.jdbc.Driver");  // jTDS 1.3.1 does not register itself
        final String url = "jdbc:jtds:sqlserver://127.0.0.1:" + a[0] + "/" + a[3];
        try (Connection c = DriverManager.getConnection(url, a[1], a[2]);
             Statement s = c.createStatement()) {
            System.out.println("connected " + c.getMetaData().getDatabaseProductVersion());
            try (ResultSet r = s.executeQuery(
                     "SELECT @@MAX_PRECISION, @@TEXTSIZE, @@LOCK_TIMEOUT, @@OPTIONS")) {
                r.next();
                System.out.println("session " + r.getInt(1) + " " + r.getInt(2) + " " + r.getInt(3)
                                   + " " + r.getInt(4));
            }
            try (ResultSet r = s.executeQuery("SELECT Usuario_ID, Usuario_cd FROM UsuariosPW")) {
                while (r.next()) System.out.println("row " + r.getString(1) + " " + r.getInt(2));
            }
            s.execute("DBCC SHOWCONTIG ('Clientes', PK_Clientes) WITH FAST, TABLERESULTS");
            try (ResultSet r = s.getResultSet()) {
                while (r.next()) {
                    System.out.println("survey " + r.getString("IndexName") + " " + r.getInt("Pages")
                                       + " " + r.getDouble("ScanDensity"));
                }
            }
            s.getMoreResults();
            mensajes(s);
            try {
                s.execute("DBCC SHOWCONTIG ('Nada')");
                System.out.println("no error");
            } catch (SQLException e) {
                System.out.println("error " + e.getErrorCode() + ": " + e.getMessage());
            }
            s.execute("DBCC DBREINDEX ('Clientes', 'PK_Clientes')");
            mensajes(s);
            s.execute("EXEC sp_updatestats");
            mensajes(s);
            preparada(c, "prepared");
        }
        try (Connection c = DriverManager.getConnection(url + ";prepareSQL=2", a[1], a[2])) {
            preparada(c, "executesql");
        }
        System.out.println("done");
    }
}
