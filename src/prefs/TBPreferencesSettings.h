// The scalar settings, one row each: type, property, the property's name after "set", the
// user-defaults key, the default. TBPreferences.h and TBPreferences.cpp read this table with
// TB_SETTING and TB_SETTING_WRITTEN_AS_INTEGER (a boolean stored as the integer 0 or 1) defined,
// so it has no include guard. A new setting is one more row.

TB_SETTING(QString, pathLDAPSearch, PathLDAPSearch, "PathLDAPSearch", QStringLiteral("/usr/bin/ldapsearch"));
TB_SETTING(QString, pathLDAPWhoami, PathLDAPWhoami, "PathLDAPWhoami", QStringLiteral("/usr/bin/ldapwhoami"));
TB_SETTING(QString, passwordPrompt, PasswordPrompt, "PasswordPrompt", QStringLiteral("Enter LDAP Password: "));
TB_SETTING(qint64, currentDirectoryID, CurrentDirectoryID, "CurrentDirectoryID", 0);
TB_SETTING(qint64, fetchWhichAttrs, FetchWhichAttrs, "FetchWhichAttrs", 0);
TB_SETTING(qint64, maxHits, MaxHits, "MaxHits", 100);
TB_SETTING(qint64, timeLimit, TimeLimit, "TimeLimit", 60);
TB_SETTING(bool, pagedResults, PagedResults, "PagedResults", false);
TB_SETTING(qint64, pageSize, PageSize, "PageSize", 500);
TB_SETTING(bool, showFriendlyAttrs, ShowFriendlyAttrs, "ShowFriendlyAttrs", true);
TB_SETTING(bool, decodeBase64, DecodeBase64, "DecodeBase64", true);
TB_SETTING(bool, discardOutput, DiscardOutput, "DiscardOutput", false);
TB_SETTING(qint64, connectTimeout, ConnectTimeout, "ConnectTimeout", 10);
TB_SETTING(bool, enableDebug, EnableDebug, "EnableDebug", false);
TB_SETTING(qint64, debugLevel, DebugLevel, "DebugLevel", 0);
TB_SETTING(bool, interpretADTimestamps, InterpretADTimestamps, "InterpretADTimestamps", true);
TB_SETTING(qint64, adTimestampDateFormat, AdTimestampDateFormat, "ADTimestampDateFormat", 1);
TB_SETTING(qint64, adTimestampTimeFormat, AdTimestampTimeFormat, "ADTimestampTimeFormat", 1);
TB_SETTING(qint64, defaultSearchTopHeight, DefaultSearchTopHeight, "DefaultSearchTopHeight", -1);
TB_SETTING(qint64, defaultSearchBottomHeight, DefaultSearchBottomHeight, "DefaultSearchBottomHeight", -1);
TB_SETTING(qint64, defaultBrowseTopHeight, DefaultBrowseTopHeight, "DefaultBrowseTopHeight", -1);
TB_SETTING(qint64, defaultBrowseBottomHeight, DefaultBrowseBottomHeight, "DefaultBrowseBottomHeight", -1);
TB_SETTING(qint64, exportFileFormat, ExportFileFormat, "ExportFileFormat", 0);
TB_SETTING(bool, exportSelectedRowsOnly, ExportSelectedRowsOnly, "ExportSelectedRowsOnly", false);
TB_SETTING(bool, exportIncludeAttrNames, ExportIncludeAttrNames, "ExportIncludeAttrNames", true);
TB_SETTING(bool, exportVisibleColumnsOnly, ExportVisibleColumnsOnly, "ExportVisibleColumnsOnly", false);
TB_SETTING(qint64, printWhat, PrintWhat, "PrintWhat", 0);
TB_SETTING(bool, printSummaryInfo, PrintSummaryInfo, "PrintSummaryInfo", false);
TB_SETTING(double, printLeftMargin, PrintLeftMargin, "PrintLeftMargin", 72.0);
TB_SETTING(double, printRightMargin, PrintRightMargin, "PrintRightMargin", 72.0);
TB_SETTING(double, printTopMargin, PrintTopMargin, "PrintTopMargin", 72.0);
TB_SETTING(double, printBottomMargin, PrintBottomMargin, "PrintBottomMargin", 72.0);
TB_SETTING(QString, prefToolbar, PrefToolbar, "PrefToolbar", QStringLiteral("Directories"));
TB_SETTING(bool, prefTableDefaultAttrsExpanded, PrefTableDefaultAttrsExpanded, "PrefTableDefaultAttrsExpanded", false);
TB_SETTING(bool, prefTableDefaultImageAttrsExpanded, PrefTableDefaultImageAttrsExpanded,
           "PrefTableDefaultImageAttrsExpanded", false);
TB_SETTING(bool, prefTableDefaultBinaryAttrsExpanded, PrefTableDefaultBinaryAttrsExpanded,
           "PrefTableDefaultBinaryAttrsExpanded", false);
TB_SETTING(bool, prefTableCustomAttrsExpanded, PrefTableCustomAttrsExpanded, "PrefTableCustomAttrsExpanded", true);
TB_SETTING(bool, prefTableCustomImageAttrsExpanded, PrefTableCustomImageAttrsExpanded,
           "PrefTableCustomImageAttrsExpanded", true);
TB_SETTING(bool, prefTableCustomBinaryAttrsExpanded, PrefTableCustomBinaryAttrsExpanded,
           "PrefTableCustomBinaryAttrsExpanded", true);
TB_SETTING(qint64, exportWhichDirectories, ExportWhichDirectories, "ExportWhichDirectories", 0);
TB_SETTING(bool, autoAddDiscoveredAttributes, AutoAddDiscoveredAttributes, "AutoAddDiscoveredAttributes", true);
TB_SETTING_WRITTEN_AS_INTEGER(bool, autoDisplayAttributeColumns, AutoDisplayAttributeColumns,
                              "AutoDisplayAttributeColumns", true);
TB_SETTING(QString, lastSelectedAttribute, LastSelectedAttribute, "LastSelectedAttribute", QStringLiteral("dn"));
