/* The string resources of the tests' control-panel modules. */
#define IDS_NAME 1     /* the applets' names, one after another */
#define IDS_INFO 11    /* their descriptions */
#define IDS_MISSING 99 /* no such string */
