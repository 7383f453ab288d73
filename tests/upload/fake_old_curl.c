/* A stand-in for an old libcurl.so.4, for the test that the program refuses
 * to run with a libcurl older than the one it was built with. It has every
 * entry point the program looks up; only the version answers. */

/* The leading fields of libcurl's curl_version_info_data, which are all the
 * program reads; the rest is zero. */
struct version_info {
    int age;
    const char* version;
    unsigned int version_num;
    const void* rest[32];
};

static struct version_info info = {.age = 10, .version = "7.50.0", .version_num = 0x073200};

struct version_info* curl_version_info(int age);
struct version_info* curl_version_info(int age) {
    (void)age;
    return &info;
}

#define STUB(name)                                                                                 \
    void name(void);                                                                               \
    void name(void) {}
STUB(curl_global_init)
STUB(curl_easy_init)
STUB(curl_easy_cleanup)
STUB(curl_easy_setopt)
STUB(curl_easy_getinfo)
STUB(curl_easy_pause)
STUB(curl_easy_strerror)
STUB(curl_multi_init)
STUB(curl_multi_cleanup)
STUB(curl_multi_add_handle)
STUB(curl_multi_remove_handle)
STUB(curl_multi_setopt)
STUB(curl_multi_socket_action)
STUB(curl_multi_socket_all)
STUB(curl_multi_info_read)
STUB(curl_multi_perform)
STUB(curl_multi_poll)
STUB(curl_multi_wakeup)
STUB(curl_slist_append)
STUB(curl_slist_free_all)
STUB(curl_share_init)
STUB(curl_share_cleanup)
STUB(curl_share_setopt)
