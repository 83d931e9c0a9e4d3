#pragma once

/* The bind-password store on libsecret, as plain C: libsecret's GLib headers and Qt's keyword
 * macros cannot meet in one file, so only TBKeychainBackend.c includes libsecret. Every call
 * blocks until the Secret Service answers or the cancel handle is triggered. */

#ifdef __cplusplus
extern "C" {
#endif

typedef struct TBKeychainCancel TBKeychainCancel;

enum { TB_KEYCHAIN_OK = 0, TB_KEYCHAIN_NOT_FOUND = 1, TB_KEYCHAIN_ERROR = 2 };

typedef struct
{
    const char* server;
    const char* account;
    const char* path;
    int port;
} TBKeychainAttributes;

/* A cancel handle shared between the waiting thread and the worker: one reference each. */
TBKeychainCancel* tb_keychain_cancel_new(void);
TBKeychainCancel* tb_keychain_cancel_ref(TBKeychainCancel* cancel);
void tb_keychain_cancel_unref(TBKeychainCancel* cancel);
void tb_keychain_cancel_trigger(TBKeychainCancel* cancel);

/* *password (freed with tb_keychain_free_password) is set only with TB_KEYCHAIN_OK;
 * *message (freed with tb_keychain_free_message) describes an error and never holds a password. */
int tb_keychain_find(const TBKeychainAttributes* item, TBKeychainCancel* cancel, char** password, char** message);
int tb_keychain_store(const TBKeychainAttributes* item, const char* label, const char* password,
                      TBKeychainCancel* cancel, char** message);
/* TB_KEYCHAIN_NOT_FOUND when there was nothing to delete. */
int tb_keychain_delete(const TBKeychainAttributes* item, TBKeychainCancel* cancel, char** message);

void tb_keychain_free_password(char* password);
void tb_keychain_free_message(char* message);

#ifdef __cplusplus
}
#endif
