#include "TBKeychainBackend.h"

#include <libsecret/secret.h>

/* Every item carries all of the network schema's attributes, so a lookup matches exactly one
 * (server, account, path, port) and never an item that merely lacks one of them. */
#define TB_ATTRIBUTES(item)                                                                                            \
    "user", (item)->account, "domain", "", "object", (item)->path, "protocol", "ldap", "port", (item)->port, "server", \
        (item)->server, "authtype", "dflt", NULL

TBKeychainCancel* tb_keychain_cancel_new(void)
{
    return (TBKeychainCancel*)g_cancellable_new();
}

TBKeychainCancel* tb_keychain_cancel_ref(TBKeychainCancel* cancel)
{
    return (TBKeychainCancel*)g_object_ref((GCancellable*)cancel);
}

void tb_keychain_cancel_unref(TBKeychainCancel* cancel)
{
    if (cancel)
        g_object_unref((GCancellable*)cancel);
}

void tb_keychain_cancel_trigger(TBKeychainCancel* cancel)
{
    g_cancellable_cancel((GCancellable*)cancel);
}

static int tb_failed(GError* error, char** message)
{
    if (message)
        *message = g_strdup(error ? error->message : "unknown error");
    g_clear_error(&error);
    return TB_KEYCHAIN_ERROR;
}

int tb_keychain_find(const TBKeychainAttributes* item, TBKeychainCancel* cancel, char** password, char** message)
{
    GError* error = NULL;
    gchar* found
        = secret_password_lookup_sync(SECRET_SCHEMA_COMPAT_NETWORK, (GCancellable*)cancel, &error, TB_ATTRIBUTES(item));
    if (error) {
        if (found)
            secret_password_free(found);
        return tb_failed(error, message);
    }
    if (!found)
        return TB_KEYCHAIN_NOT_FOUND;
    *password = found;
    return TB_KEYCHAIN_OK;
}

int tb_keychain_store(const TBKeychainAttributes* item, const char* label, const char* password,
                      TBKeychainCancel* cancel, char** message)
{
    GError* error = NULL;
    /* Replaces the password of an item with the same attributes. */
    if (!secret_password_store_sync(SECRET_SCHEMA_COMPAT_NETWORK, SECRET_COLLECTION_DEFAULT, label, password,
                                    (GCancellable*)cancel, &error, TB_ATTRIBUTES(item)))
        return tb_failed(error, message);
    return TB_KEYCHAIN_OK;
}

int tb_keychain_delete(const TBKeychainAttributes* item, TBKeychainCancel* cancel, char** message)
{
    GError* error = NULL;
    const gboolean removed
        = secret_password_clear_sync(SECRET_SCHEMA_COMPAT_NETWORK, (GCancellable*)cancel, &error, TB_ATTRIBUTES(item));
    if (error)
        return tb_failed(error, message);
    return removed ? TB_KEYCHAIN_OK : TB_KEYCHAIN_NOT_FOUND;
}

void tb_keychain_free_password(char* password)
{
    if (password)
        secret_password_free(password);
}

void tb_keychain_free_message(char* message)
{
    g_free(message);
}
