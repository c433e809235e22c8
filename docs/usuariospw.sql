-- The application's user table UsuariosPW, which a Velqor pass logs its operator in against
-- (docs/user-table.md). Run it in the maintained database, e.g.
--   sqlcmd -S db01 -d Sales -i usuariospw.sql
-- then add users with "velqor-config set-user".
IF OBJECT_ID(N'dbo.UsuariosPW', N'U') IS NULL
CREATE TABLE dbo.UsuariosPW (
    Usuario_ID nvarchar(50)  NOT NULL PRIMARY KEY,  -- the user name, as typed at the login
    Usuario_PW nvarchar(255) NOT NULL,              -- the stored form of the password
    Usuario_cd int           NOT NULL               -- the user's code; 1 may also sign in as Admin
);
-- The login the pass connects with (the definition's User) only reads this table:
--   GRANT SELECT ON dbo.UsuariosPW TO velqor_maint;
